// IWMOutputMediaProps: the media type one reader output offers.
#ifndef QV_WMF_READER_OUTPUT_PROPS_H
#define QV_WMF_READER_OUTPUT_PROPS_H

#include <mutex>

#include "com_object.h"
#include "media_type.h"

namespace wmf {

class ReaderOutputProps final : public ComObject<ReaderOutputProps, IWMOutputMediaProps> {
 public:
  // One reference for the caller; null when memory runs out.
  static ReaderOutputProps *Create(const MediaType &type);

  HRESULT STDMETHODCALLTYPE GetType(GUID *type) override;
  HRESULT STDMETHODCALLTYPE GetMediaType(WM_MEDIA_TYPE *type, DWORD *size) override;
  HRESULT STDMETHODCALLTYPE SetMediaType(WM_MEDIA_TYPE *type) override;
  HRESULT STDMETHODCALLTYPE GetStreamGroupName(WCHAR *name, WORD *length) override;
  HRESULT STDMETHODCALLTYPE GetConnectionName(WCHAR *name, WORD *length) override;

  MediaType Type() const;

 private:
  explicit ReaderOutputProps(const MediaType &type) : type_(type) {}
  mutable std::mutex lock_;
  MediaType type_;
};

}  // namespace wmf

#endif
