// Input properties of the writer.
#include "writer_input.h"

#include <new>

#include "profiles/profile_text.h"

namespace wmf {

InputProps *InputProps::Create(const MediaType &type, const std::u16string &connection) {
  return new (std::nothrow) InputProps(type, connection);
}

HRESULT InputProps::QueryInterface(REFIID riid, void **object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IWMMediaProps || riid == IID_IWMInputMediaProps) {
    *object = static_cast<IWMInputMediaProps *>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG InputProps::AddRef() { return refs_.Add(); }

ULONG InputProps::Release() {
  ULONG left = refs_.Drop();
  if (left == 0) delete this;
  return left;
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
