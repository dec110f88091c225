// Sleep, the tick count and the thread's last error.
#include "win32.h"

#include <sched.h>
#include <time.h>

static thread_local DWORD last_error = 0;

extern "C" void WINAPI Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  struct timespec ts;
  ts.tv_sec = milliseconds / 1000;
  ts.tv_nsec = (long)(milliseconds % 1000) * 1000000L;
  while (nanosleep(&ts, &ts) != 0) {
  }
}

extern "C" DWORD WINAPI GetTickCount(void) {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (DWORD)((uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u);
}

extern "C" DWORD WINAPI GetLastError(void) { return last_error; }
extern "C" void WINAPI SetLastError(DWORD code) { last_error = code; }
