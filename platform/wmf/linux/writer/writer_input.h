// IWMInputMediaProps: the format of one writer input, as handed to the caller by
// GetInputProps and given back through SetInputProps.
#ifndef QV_WMF_WRITER_INPUT_H
#define QV_WMF_WRITER_INPUT_H

#include <mutex>
#include <string>

#include "com_object.h"
#include "media_type.h"

namespace wmf {

class InputProps final : public ComObject<InputProps, IWMInputMediaProps> {
 public:
  static InputProps *Create(const MediaType &type, const std::u16string &connection);

  HRESULT STDMETHODCALLTYPE GetType(GUID *type) override;
  HRESULT STDMETHODCALLTYPE GetMediaType(WM_MEDIA_TYPE *type, DWORD *size) override;
  // Any media type is kept; the writer judges it in SetInputProps.
  HRESULT STDMETHODCALLTYPE SetMediaType(WM_MEDIA_TYPE *type) override;
  HRESULT STDMETHODCALLTYPE GetConnectionName(WCHAR *name, WORD *length) override;
  HRESULT STDMETHODCALLTYPE GetGroupName(WCHAR *name, WORD *length) override;

 private:
  InputProps(const MediaType &type, const std::u16string &connection) : type_(type), connection_(connection) {}
  std::mutex lock_;
  MediaType type_;
  const std::u16string connection_;
};

}  // namespace wmf

#endif
