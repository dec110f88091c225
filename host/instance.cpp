// Instance blocks and the global memory the plug-in hands out.
#include "host.h"

#include <cstring>

namespace qvhost {

Instance::Instance(const Plugin &plugin, DWORD modeBits)
    : pi_(plugin.pi()), handle_(plugin.pi().piLocalInit(0, modeBits)) {}

Instance::~Instance() {
  if (!handle_) return;
  pi_.piLocalProcessDataEnd(0, handle_);
  pi_.piLocalDone(0, handle_);
}

HGLOBAL Instance::Detach() {
  HGLOBAL handle = handle_;
  handle_ = nullptr;
  return handle;
}

std::vector<BYTE> CopyGlobal(HGLOBAL handle) {
  std::vector<BYTE> bytes;
  if (!handle) return bytes;
  SIZE_T size = GlobalSize(handle);
  const void *data = GlobalLock(handle);
  if (data && size) bytes.assign(static_cast<const BYTE *>(data), static_cast<const BYTE *>(data) + size);
  if (data) GlobalUnlock(handle);
  return bytes;
}

}  // namespace qvhost
