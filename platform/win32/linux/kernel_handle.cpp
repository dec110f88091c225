// Registry of kernel object handles: a set of live objects guarded by one lock.
#include "kernel_handle.h"

#include <mutex>
#include <new>
#include <unordered_set>
#include <utility>
#include <unistd.h>

#include "lasting.h"

namespace {
std::mutex registry_mutex;
std::unordered_set<KernelHandle *> &Registry() {
  static std::unordered_set<KernelHandle *> &live = Lasting<std::unordered_set<KernelHandle *>>();
  return live;
}
}  // namespace

namespace {
HANDLE Register(KernelHandle *object) {
  if (!object) return nullptr;
  std::lock_guard<std::mutex> lock(registry_mutex);
  Registry().insert(object);
  return object;
}
}  // namespace

HANDLE KernelHandleOpen(KernelHandleKind kind, int fd, pid_t pid) {
  return Register(new (std::nothrow) KernelHandle{kind, fd, pid, nullptr});
}

HANDLE KernelHandleOpenEvent(std::shared_ptr<KernelEvent> event) {
  return Register(new (std::nothrow) KernelHandle{kKernelEvent, -1, 0, std::move(event)});
}

KernelHandle *KernelHandleGet(HANDLE handle, KernelHandleKind kind) {
  std::lock_guard<std::mutex> lock(registry_mutex);
  auto *object = static_cast<KernelHandle *>(handle);
  if (!Registry().count(object) || object->kind != kind) return nullptr;
  return object;
}

std::shared_ptr<KernelEvent> KernelHandleEvent(HANDLE handle) {
  std::lock_guard<std::mutex> lock(registry_mutex);
  auto *object = static_cast<KernelHandle *>(handle);
  if (!Registry().count(object) || object->kind != kKernelEvent) return nullptr;
  return object->event;  // copied under the lock: a concurrent close cannot free it
}

bool KernelHandleClose(HANDLE handle) {
  KernelHandle *object = static_cast<KernelHandle *>(handle);
  {
    std::lock_guard<std::mutex> lock(registry_mutex);
    if (!Registry().erase(object)) return false;
  }
  bool ok = true;
  if (object->kind == kKernelFile) ok = close(object->fd) == 0;
  delete object;
  return ok;
}
