// Input properties of the writer.
#include "writer_input.h"

#include <new>

#include "profiles/profile_text.h"

namespace wmf {

InputProps *InputProps::Create(const MediaType &type, const std::u16string &connection) {
  return new (std::nothrow) InputProps(type, connection);
}

HRESULT InputProps::CheckMediaType(const WM_MEDIA_TYPE &type) const {
  return type.cbFormat && !type.pbFormat ? E_INVALIDARG : S_OK;
}

HRESULT InputProps::GetConnectionName(WCHAR *name, WORD *length) { return CopyText(connection_, name, length); }

HRESULT InputProps::GetGroupName(WCHAR *name, WORD *length) { return CopyText(std::u16string(), name, length); }

}  // namespace wmf
