// Output properties of the reader.
#include "reader_output_props.h"

#include <new>

namespace wmf {

ReaderOutputProps *ReaderOutputProps::Create(const MediaType &type) {
  return new (std::nothrow) ReaderOutputProps(type);
}

HRESULT ReaderOutputProps::GetType(GUID *type) {
  if (!type) return E_POINTER;
  std::lock_guard<std::mutex> hold(lock_);
  *type = type_.Type().majortype;
  return S_OK;
}

HRESULT ReaderOutputProps::GetMediaType(WM_MEDIA_TYPE *type, DWORD *size) {
  std::lock_guard<std::mutex> hold(lock_);
  return type_.CopyTo(type, size);
}

HRESULT ReaderOutputProps::SetMediaType(WM_MEDIA_TYPE *type) {
  if (!type) return E_POINTER;
  std::lock_guard<std::mutex> hold(lock_);
  type_.Assign(*type);
  return S_OK;
}

HRESULT ReaderOutputProps::GetStreamGroupName(WCHAR *name, WORD *length) { return E_NOTIMPL; }
HRESULT ReaderOutputProps::GetConnectionName(WCHAR *name, WORD *length) { return E_NOTIMPL; }

MediaType ReaderOutputProps::Type() const {
  std::lock_guard<std::mutex> hold(lock_);
  return type_;
}

}  // namespace wmf
