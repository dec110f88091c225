/* The contract between a host application and a .qpl file plug-in: the twenty entry
 * points the plug-in exports by name, what a host resolves them into, and the numbers
 * that cross the boundary. The plug-in's definitions are checked against these
 * prototypes; a host never writes a signature of its own.
 *
 * WINAPI, every argument one 32-bit value on the shipped build; handles and addresses
 * are pointer-wide on 64-bit builds. Handles the plug-in hands out are Win32 global
 * memory. */
#ifndef QPL_ENTRY_POINTS_H
#define QPL_ENTRY_POINTS_H

#include <stddef.h>
#include <string.h>

#include "qpl/host_format.h"
#include "qpl/settings.h"
#include "win32.h"

extern "C" {
// Module-wide queries. piDone is a second name of the piInit routine, and
// piLocalProcessData of the piIcon routine.
DWORD WINAPI piCount(void);
DWORD WINAPI piFlags(DWORD index);  // kCapabilities, with kCapabilityImport when the settings allow it
LPSTR WINAPI piName(DWORD index);
BYTE WINAPI piInit(DWORD index);
BYTE WINAPI piDone(DWORD index);
ULONG_PTR WINAPI piIcon(DWORD index, ULONG_PTR argument);
ULONG_PTR WINAPI piLocalProcessData(DWORD index, ULONG_PTR argument);

// Instance blocks: the handle piLocalInit gives is passed back to every other call.
HGLOBAL WINAPI piLocalInit(DWORD index, DWORD modeBits);
void WINAPI piLocalDone(DWORD index, HGLOBAL block);
DWORD WINAPI piLocalFlags(DWORD index, HGLOBAL block);
HGLOBAL WINAPI piLocalGetData(DWORD index, HGLOBAL block);
BOOL WINAPI piLocalLength(DWORD index, HGLOBAL block, LONG position);
LPSTR WINAPI piLocalName(DWORD index, HGLOBAL block);
BOOL WINAPI piLocalProcessDataStart(DWORD index, HGLOBAL block);
BOOL WINAPI piLocalProcessDataEnd(DWORD index, HGLOBAL block);
BOOL WINAPI piLocalDlg(DWORD index, HGLOBAL block, HWND parent);

// Transfers. `kind` is one of the kTransfer* numbers; `record` a HostFormat in its
// long or short form; `data` the packed DIB or PCM bytes of the next save.
BOOL WINAPI piLocalSetData(DWORD index, HGLOBAL block, const void *data, LONG size, DWORD unused1,
                           DWORD unused2);
BOOL WINAPI piLocalSetFormat(DWORD index, HGLOBAL block, const void *record);
BOOL WINAPI piLocalLoadData(DWORD index, HGLOBAL block, LONG kind, LPCSTR fileName);
BOOL WINAPI piLocalSaveData(DWORD index, HGLOBAL block, LONG kind, LPCSTR fileName);
}  // extern "C"

/* Every entry point once, in the order of the export table (ordinals 1 to 20). */
#define QPL_ENTRY_POINTS(X)                                                                               \
  X(piCount) X(piDone) X(piFlags) X(piIcon) X(piInit) X(piLocalDlg) X(piLocalDone) X(piLocalFlags)       \
  X(piLocalGetData) X(piLocalInit) X(piLocalLength) X(piLocalLoadData) X(piLocalName)                    \
  X(piLocalProcessData) X(piLocalProcessDataEnd) X(piLocalProcessDataStart) X(piLocalSaveData)           \
  X(piLocalSetData) X(piLocalSetFormat) X(piName)

namespace qpl {

/* What a host resolves the exports into: one pointer of each prototype's own type. */
struct EntryPoints {
#define QPL_POINTER(name) decltype(&::name) name;
  QPL_ENTRY_POINTS(QPL_POINTER)
#undef QPL_POINTER
};
static_assert(sizeof(EntryPoints) == 20 * sizeof(void (*)()), "twenty entry points");

/* Fills every pointer from `find(name)`, which gives the address of an export by its
 * name (GetProcAddress, dlsym) as a void pointer. Returns the name of the first entry
 * point that is missing, or null when all twenty were found. */
template <class Find>
const char *ResolveEntryPoints(EntryPoints *entry, Find find) {
  void *address;
#define QPL_RESOLVE(name)                                                                 \
  if (!(address = find(#name))) return #name;                                           \
  memcpy(&entry->name, &address, sizeof address);
  QPL_ENTRY_POINTS(QPL_RESOLVE)
#undef QPL_RESOLVE
  return nullptr;
}

/* The capability word piFlags answers for format 0. */
enum : DWORD {
  kCapabilities = 0x47070203,
  kCapabilityImport = 0x00000100,  // added while the "ImportAllowed" setting is non-zero
};

/* The kind of piLocalLoadData and piLocalSaveData. A save of any other kind than 0 or 1
 * is an audio chunk. */
enum : LONG {
  kTransferFormat = 0,  // load: the file's format as a HostFormat copy; save: nothing
  kTransferVideo = 1,   // one video frame, a 24-bit packed DIB
  kTransferAudio = 2,   // load: a sample of the first audio output; save: one PCM chunk
};

/* An import's output kind table, by output number: kTransferVideo for the first video
 * output, kTransferAudio + k for the k-th audio output, 0 for anything else. It lies in
 * the instance block at kOutputKindTableOffset, where a diagnostic host may look
 * between calls; the rest of the block is the plug-in's own. */
enum : int { kOutputKindSlots = 64 };
constexpr size_t kOutputKindTableOffset = sizeof(void *) == 4 ? 76 : 120;

}  // namespace qpl

#endif
