/* Interlocked operations and Sleep. */
#ifndef QV_WIN32_SYNC_H
#define QV_WIN32_SYNC_H

#include "types.h"

static inline LONG InterlockedIncrement(LONG volatile *p) { return __atomic_add_fetch(p, 1, __ATOMIC_SEQ_CST); }
static inline LONG InterlockedDecrement(LONG volatile *p) { return __atomic_sub_fetch(p, 1, __ATOMIC_SEQ_CST); }
static inline LONG InterlockedExchange(LONG volatile *p, LONG v) { return __atomic_exchange_n(p, v, __ATOMIC_SEQ_CST); }
static inline LONG InterlockedCompareExchange(LONG volatile *p, LONG v, LONG cmp) {
  __atomic_compare_exchange_n(p, &cmp, v, 0, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return cmp;
}

QV_EXTERN_C_BEGIN
/* Sleep(0) gives up the rest of the time slice, as on Windows. */
void WINAPI Sleep(DWORD milliseconds);
DWORD WINAPI GetTickCount(void);
DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD code);
QV_EXTERN_C_END

#endif
