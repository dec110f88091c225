// Output properties of the reader.
#include "reader_output_props.h"

#include <new>

namespace wmf {

ReaderOutputProps *ReaderOutputProps::Create(const MediaType &type) {
  return new (std::nothrow) ReaderOutputProps(type);
}

HRESULT ReaderOutputProps::GetStreamGroupName(WCHAR *name, WORD *length) { return E_NOTIMPL; }
HRESULT ReaderOutputProps::GetConnectionName(WCHAR *name, WORD *length) { return E_NOTIMPL; }

}  // namespace wmf
