// IWMInputMediaProps: the format of one writer input, as handed to the caller by
// GetInputProps and given back through SetInputProps.
#ifndef QV_WMF_WRITER_INPUT_H
#define QV_WMF_WRITER_INPUT_H

#include <string>

#include "media_type_holder.h"

namespace wmf {

class InputProps final : public MediaTypeHolder<InputProps, IWMInputMediaProps> {
 public:
  static InputProps *Create(const MediaType &type, const std::u16string &connection);

  // Any media type whose format block is there is kept; the writer judges it in
  // SetInputProps.
  HRESULT CheckMediaType(const WM_MEDIA_TYPE &type) const;
  HRESULT STDMETHODCALLTYPE GetConnectionName(WCHAR *name, WORD *length) override;
  HRESULT STDMETHODCALLTYPE GetGroupName(WCHAR *name, WORD *length) override;

 private:
  InputProps(const MediaType &type, const std::u16string &connection)
      : MediaTypeHolder(type), connection_(connection) {}
  const std::u16string connection_;
};

}  // namespace wmf

#endif
