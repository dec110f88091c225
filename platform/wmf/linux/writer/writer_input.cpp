// Input properties of the writer.
#include "writer_input.h"

#include <new>

#include "profiles/profile_text.h"

namespace wmf {

InputProps *InputProps::Create(const MediaType &type, const std::u16string &connection) {
  return new (std::nothrow) InputProps(type, connection);
}

HRESULT InputProps::GetType(GUID *type) {
  if (!type) return E_POINTER;
  std::lock_guard<std::mutex> hold(lock_);
  *type = type_.Type().majortype;
  return S_OK;
}

HRESULT InputProps::GetMediaType(WM_MEDIA_TYPE *type, DWORD *size) {
  std::lock_guard<std::mutex> hold(lock_);
  return type_.CopyTo(type, size);
}

HRESULT InputProps::SetMediaType(WM_MEDIA_TYPE *type) {
  if (!type) return E_POINTER;
  if (type->cbFormat && !type->pbFormat) return E_INVALIDARG;
  std::lock_guard<std::mutex> hold(lock_);
  type_.Assign(*type);
  return S_OK;
}

HRESULT InputProps::GetConnectionName(WCHAR *name, WORD *length) { return CopyText(connection_, name, length); }

HRESULT InputProps::GetGroupName(WCHAR *name, WORD *length) { return CopyText(std::u16string(), name, length); }

}  // namespace wmf
