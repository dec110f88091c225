// Events: a flag behind a mutex and a condition variable, reached through a kernel
// handle.
#include "win32.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>

#include "kernel_handle.h"

struct KernelEvent {
  std::mutex lock;
  std::condition_variable changed;
  bool manualReset = false;
  bool set = false;
};

namespace {

std::shared_ptr<KernelEvent> EventOf(HANDLE handle) {
  std::shared_ptr<KernelEvent> event = KernelHandleEvent(handle);
  if (!event) SetLastError(ERROR_INVALID_HANDLE);
  return event;
}

}  // namespace

extern "C" HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manual_reset, BOOL initial_state,
                                      LPCSTR name) {
  if (name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::shared_ptr<KernelEvent> event(new (std::nothrow) KernelEvent);
  HANDLE handle = event ? KernelHandleOpenEvent(event) : nullptr;
  if (!handle) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  event->manualReset = manual_reset != FALSE;
  event->set = initial_state != FALSE;
  return handle;
}

extern "C" BOOL WINAPI SetEvent(HANDLE handle) {
  std::shared_ptr<KernelEvent> event = EventOf(handle);
  if (!event) return FALSE;
  {
    std::lock_guard<std::mutex> hold(event->lock);
    event->set = true;
  }
  // An auto-reset event lets only one waiter through, so waking one is enough.
  if (event->manualReset)
    event->changed.notify_all();
  else
    event->changed.notify_one();
  return TRUE;
}

extern "C" BOOL WINAPI ResetEvent(HANDLE handle) {
  std::shared_ptr<KernelEvent> event = EventOf(handle);
  if (!event) return FALSE;
  std::lock_guard<std::mutex> hold(event->lock);
  event->set = false;
  return TRUE;
}

extern "C" DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  std::shared_ptr<KernelEvent> event = EventOf(handle);
  if (!event) return WAIT_FAILED;
  std::unique_lock<std::mutex> hold(event->lock);
  auto isSet = [&event] { return event->set; };
  if (milliseconds == INFINITE)
    event->changed.wait(hold, isSet);
  else if (!event->changed.wait_for(hold, std::chrono::milliseconds(milliseconds), isSet))
    return WAIT_TIMEOUT;
  if (!event->manualReset) event->set = false;
  return WAIT_OBJECT_0;
}
