// The media type a props object holds, with IWMMediaProps' three methods over it,
// written once for the reader's output props and the writer's input props:
//   class Props final : public MediaTypeHolder<Props, IWMOutputMediaProps> { ... };
// SetMediaType asks Derived::CheckMediaType first; a class that refuses some types
// declares its own (public), the others keep every type.
#ifndef QV_WMF_MEDIA_TYPE_HOLDER_H
#define QV_WMF_MEDIA_TYPE_HOLDER_H

#include <mutex>

#include "com_object.h"
#include "media_type.h"

namespace wmf {

template <class Derived, class Interface>
class MediaTypeHolder : public ComObject<Derived, Interface> {
 public:
  HRESULT STDMETHODCALLTYPE GetType(GUID *type) override {
    if (!type) return E_POINTER;
    std::lock_guard<std::mutex> hold(lock_);
    *type = type_.Type().majortype;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetMediaType(WM_MEDIA_TYPE *type, DWORD *size) override {
    std::lock_guard<std::mutex> hold(lock_);
    return type_.CopyTo(type, size);
  }
  HRESULT STDMETHODCALLTYPE SetMediaType(WM_MEDIA_TYPE *type) override {
    if (!type) return E_POINTER;
    const HRESULT accepted = static_cast<const Derived *>(this)->CheckMediaType(*type);
    if (FAILED(accepted)) return accepted;
    std::lock_guard<std::mutex> hold(lock_);
    type_.Assign(*type);
    return S_OK;
  }

  HRESULT CheckMediaType(const WM_MEDIA_TYPE &) const { return S_OK; }

 protected:
  explicit MediaTypeHolder(const MediaType &type) : type_(type) {}

 private:
  std::mutex lock_;
  MediaType type_;
};

}  // namespace wmf

#endif
