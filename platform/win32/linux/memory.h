/* The GlobalAlloc family: fixed and movable blocks with Windows semantics.
 *
 * A fixed block's handle is its address. A movable block's handle is a separate value
 * (never a valid address of the block); GlobalLock counts locks and returns the
 * address, GlobalUnlock counts them down. Every block stays registered until it is
 * freed, so a stale or foreign handle is refused (ERROR_INVALID_HANDLE) instead of
 * corrupting memory. All calls are safe from any thread. */
#ifndef QV_WIN32_MEMORY_H
#define QV_WIN32_MEMORY_H

#include "types.h"

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_NOCOMPACT 0x0010
#define GMEM_NODISCARD 0x0020
#define GMEM_ZEROINIT 0x0040
#define GMEM_MODIFY 0x0080
#define GMEM_DISCARDABLE 0x0100
#define GMEM_NOT_BANKED 0x1000
#define GMEM_SHARE 0x2000
#define GMEM_DDESHARE 0x2000
#define GMEM_NOTIFY 0x4000
#define GMEM_INVALID_HANDLE 0x8000
#define GMEM_LOCKCOUNT 0x00FF
#define GMEM_DISCARDED 0x4000
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

/* Error codes (GetLastError) these calls set; other pieces may share them. */
#ifndef ERROR_SUCCESS
#  define ERROR_SUCCESS 0L
#endif
#ifndef NO_ERROR
#  define NO_ERROR 0L
#endif
#ifndef ERROR_INVALID_HANDLE
#  define ERROR_INVALID_HANDLE 6L
#endif
#ifndef ERROR_NOT_ENOUGH_MEMORY
#  define ERROR_NOT_ENOUGH_MEMORY 8L
#endif
#ifndef ERROR_INVALID_PARAMETER
#  define ERROR_INVALID_PARAMETER 87L
#endif
#ifndef ERROR_NOT_LOCKED
#  define ERROR_NOT_LOCKED 158L
#endif

QV_EXTERN_C_BEGIN
HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes);
HGLOBAL WINAPI GlobalReAlloc(HGLOBAL handle, SIZE_T bytes, UINT flags);
LPVOID WINAPI GlobalLock(HGLOBAL handle);
BOOL WINAPI GlobalUnlock(HGLOBAL handle);
SIZE_T WINAPI GlobalSize(HGLOBAL handle);
UINT WINAPI GlobalFlags(HGLOBAL handle);
HGLOBAL WINAPI GlobalHandle(LPCVOID address);
/* Null on success; the handle itself when it is not a live block. */
HGLOBAL WINAPI GlobalFree(HGLOBAL handle);

/* Stand-in only, for tests. Win32FailGlobalAllocAfter(n): the next n allocations
 * succeed and every later one fails (as when memory runs out) until it is called
 * with a negative n. Win32GlobalBlockCount: blocks allocated and not yet freed. */
void Win32FailGlobalAllocAfter(LONG count);
LONG Win32GlobalBlockCount(void);
QV_EXTERN_C_END

#endif
