// The entry points the host application calls. Twenty names lead to eighteen
// routines: piDone is exported as another name of piInit, and piLocalProcessData of
// piIcon (quorvel.def on Windows, the link options on Linux).
//
// The prototypes are the contract's (qpl/entry_points.h), so each definition here is
// checked against what hosts call.
//
// Every entry point but piCount takes the format index first; the plug-in offers one
// format, index 0, and any other index returns 0 at once. The piLocal entry points
// return 0 at once for a null block handle, lock the block for their work and unlock
// it on every path.
#include "qpl/entry_points.h"

#include "block_registry.h"
#include "export.h"
#include "import.h"
#include "instance_block.h"
#include "module_state.h"
#include "profile_dialog.h"
#include "settings.h"
#include "win32.h"

namespace {

constexpr UINT kFormatNameString = 1;
constexpr UINT kFilePatternString = 30000;
constexpr SIZE_T kInstanceBlockSize = sizeof(InstanceBlock);

// The name buffer: empty until the first piName call fills it from string 1.
char g_name[128];

// An instance block locked for the length of one entry point; empty for a handle that
// is not one. Only what piLocalInit made and piLocalDone has not freed passes, and only
// as fixed memory (its address is its handle) of the block's size. Anything else (what
// the plug-in handed out as results, a freed block, the host's own memory) is refused
// rather than read past its end, written, released from or freed.
class LockedBlock {
 public:
  explicit LockedBlock(HGLOBAL handle) : handle_(handle), block_(nullptr) {
    if (!IsKnownBlock(handle) || GlobalSize(handle) != kInstanceBlockSize) return;
    void *address = GlobalLock(handle);
    if (address == handle)
      block_ = static_cast<InstanceBlock *>(address);
    else if (address)
      GlobalUnlock(handle);
  }
  ~LockedBlock() {
    if (block_) GlobalUnlock(handle_);
  }
  LockedBlock(const LockedBlock &) = delete;
  LockedBlock &operator=(const LockedBlock &) = delete;
  InstanceBlock *operator->() const { return block_; }
  InstanceBlock *get() const { return block_; }
  explicit operator bool() const { return block_ != nullptr; }

 private:
  HGLOBAL handle_;
  InstanceBlock *block_;
};

bool IsInstanceBlock(HGLOBAL handle) { return static_cast<bool>(LockedBlock(handle)); }

// Ends whichever transfer the block holds: the import's reader, callback and frame
// bitmap, then the export's writer and its objects. False when the export's file
// could not be finished whole (it is removed).
BOOL EndTransfer(InstanceBlock *block) {
  HGLOBAL frame = block->frameBitmap;
  ImportEnd(block);
  // The frame bitmap may also be the result handle; once it is freed the host must
  // never be handed it again.
  if (frame && !block->frameBitmap && block->result == frame) block->result = nullptr;
  BOOL finished = ExportEnd(block);
  if (!block->reader && !block->writer) block->transferOpen = 0;
  return finished;
}

}  // namespace

extern "C" {

DWORD WINAPI piCount(void) { return 1; }

DWORD WINAPI piFlags(DWORD index) {
  if (index != 0) return 0;
  return ImportAllowed() ? qpl::kCapabilities | qpl::kCapabilityImport : qpl::kCapabilities;
}

LPSTR WINAPI piName(DWORD index) {
  if (g_name[0] == '\0') LoadStringA(g_module, kFormatNameString, g_name, sizeof g_name);
  return index == 0 ? g_name : nullptr;
}

// Also exported as piDone.
BYTE WINAPI piInit(DWORD index) { return index == 0 ? 1 : 0; }

// Also exported as piLocalProcessData. The plug-in has no icon and nothing to process.
ULONG_PTR WINAPI piIcon(DWORD, ULONG_PTR) { return 0; }

HGLOBAL WINAPI piLocalInit(DWORD index, DWORD modeBits) {
  if (index != 0) return nullptr;
  // Fixed, never movable: the reader callback writes into the block by address.
  HGLOBAL handle = GlobalAlloc(GMEM_DDESHARE | GMEM_ZEROINIT, kInstanceBlockSize);
  if (!handle) return nullptr;
  if (!RememberBlock(handle)) {
    GlobalFree(handle);
    return nullptr;
  }
  LockedBlock block(handle);
  if (!block) {
    ForgetBlock(handle);
    GlobalFree(handle);
    return nullptr;
  }
  block->flags = kInstanceFlagsBase | modeBits;
  block->requestedPosition = -1;
  return handle;
}

void WINAPI piLocalDone(DWORD index, HGLOBAL handle) {
  if (index != 0 || !handle) return;
  // A host that frees a block with its transfer still open would leak the reader or
  // writer and leave the file half written; end it first, as piLocalProcessDataEnd.
  {
    LockedBlock block(handle);
    if (!block) return;  // not a block this plug-in handed out
    if (block->reader || block->readerCallback || block->writer || block->profileManager || block->frameBitmap)
      EndTransfer(block.get());
  }
  ForgetBlock(handle);
  GlobalFree(handle);
}

DWORD WINAPI piLocalFlags(DWORD index, HGLOBAL handle) {
  if (index != 0 || !handle) return 0;
  LockedBlock block(handle);
  return block ? block->flags : 0;
}

HGLOBAL WINAPI piLocalGetData(DWORD index, HGLOBAL handle) {
  if (index != 0 || !handle) return nullptr;
  LockedBlock block(handle);
  if (!block) return nullptr;
  if (!block->result) {
    char pattern[256];
    LoadStringA(g_module, kFilePatternString, pattern, sizeof pattern);
    SIZE_T size = strlen(pattern) + 1;
    HGLOBAL copy = GlobalAlloc(GMEM_DDESHARE, size);  // the host's from now on
    if (copy) {
      void *bytes = GlobalLock(copy);
      memcpy(bytes, pattern, size);
      GlobalUnlock(copy);
      block->result = copy;
    }
  }
  return block->result;
}

BOOL WINAPI piLocalLength(DWORD index, HGLOBAL handle, LONG position) {
  if (index != 0 || !handle) return 0;
  LockedBlock block(handle);
  if (!block) return 0;
  block->requestedPosition = position;
  return 1;
}

LPSTR WINAPI piLocalName(DWORD index, HGLOBAL handle) {
  if (index != 0 || !IsInstanceBlock(handle)) return nullptr;
  return g_name;
}

BOOL WINAPI piLocalProcessDataStart(DWORD index, HGLOBAL handle) {
  if (index != 0 || !handle) return 0;
  LockedBlock block(handle);
  if (!block) return 0;
  block->requestedPosition = 0;
  return 1;
}

BOOL WINAPI piLocalProcessDataEnd(DWORD index, HGLOBAL handle) {
  if (index != 0 || !handle) return 0;
  LockedBlock block(handle);
  if (!block) return 0;
  return EndTransfer(block.get());
}

BOOL WINAPI piLocalSetData(DWORD index, HGLOBAL handle, const void *data, LONG size, DWORD, DWORD) {
  if (index != 0 || !handle) return 0;
  LockedBlock block(handle);
  if (!block) return 0;
  block->data = static_cast<const BYTE *>(data);
  block->dataSize = size;
  return 1;
}

BOOL WINAPI piLocalDlg(DWORD, HGLOBAL handle, HWND parent) {
  if (!IsInstanceBlock(handle)) return 0;
  return ProfileDialog(parent);
}

BOOL WINAPI piLocalSetFormat(DWORD index, HGLOBAL handle, const void *record) {
  if (index != 0 || !handle) return 0;
  LockedBlock block(handle);
  if (!block) return 0;
  return ExportSetFormat(block.get(), static_cast<const BYTE *>(record));
}

BOOL WINAPI piLocalLoadData(DWORD index, HGLOBAL handle, LONG kind, LPCSTR fileName) {
  if (index != 0 || !handle) return 0;
  LockedBlock block(handle);
  if (!block) return 0;
  BOOL result = ImportLoadData(block.get(), kind, fileName);
  if (block->reader) KeepLibraryLoaded();
  return result;
}

BOOL WINAPI piLocalSaveData(DWORD index, HGLOBAL handle, LONG kind, LPCSTR fileName) {
  if (index != 0 || !handle) return 0;
  LockedBlock block(handle);
  if (!block) return 0;
  BOOL result = ExportSaveData(block.get(), kind, fileName);
  if (block->writer) KeepLibraryLoaded();
  return result;
}

}  // extern "C"
