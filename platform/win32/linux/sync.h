/* Interlocked operations, Sleep, and events to wait on.
 *
 * Events are kernel handles (CloseHandle ends them) that WaitForSingleObject waits on;
 * it knows no other kind of handle here. An auto-reset event releases one waiter and
 * clears itself; a manual-reset one stays set until ResetEvent. */
#ifndef QV_WIN32_SYNC_H
#define QV_WIN32_SYNC_H

#include "types.h"
#include "files.h"

static inline LONG InterlockedIncrement(LONG volatile *p) { return __atomic_add_fetch(p, 1, __ATOMIC_SEQ_CST); }
static inline LONG InterlockedDecrement(LONG volatile *p) { return __atomic_sub_fetch(p, 1, __ATOMIC_SEQ_CST); }
static inline LONG InterlockedExchange(LONG volatile *p, LONG v) { return __atomic_exchange_n(p, v, __ATOMIC_SEQ_CST); }
static inline LONG InterlockedCompareExchange(LONG volatile *p, LONG v, LONG cmp) {
  __atomic_compare_exchange_n(p, &cmp, v, 0, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return cmp;
}

#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

QV_EXTERN_C_BEGIN
/* Sleep(0) gives up the rest of the time slice, as on Windows. */
void WINAPI Sleep(DWORD milliseconds);
DWORD WINAPI GetTickCount(void);
DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD code);

/* Named events are not supported: a name fails with ERROR_INVALID_PARAMETER. */
HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES security, BOOL manual_reset, BOOL initial_state, LPCSTR name);
BOOL WINAPI SetEvent(HANDLE event);
BOOL WINAPI ResetEvent(HANDLE event);
DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds);
QV_EXTERN_C_END

#endif
