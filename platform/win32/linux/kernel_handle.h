/* Kernel object handles of the stand-in (files from CreateFileA, processes and threads
 * from CreateProcessA, events from CreateEventA). Each handle is a registered object, so CloseHandle can refuse a
 * value that is not one of ours instead of freeing foreign memory. Internal to the
 * stand-in; programs only see HANDLE. */
#ifndef QV_WIN32_KERNEL_HANDLE_H
#define QV_WIN32_KERNEL_HANDLE_H

#include "types.h"

#include <sys/types.h>

#include <memory>

enum KernelHandleKind { kKernelFile, kKernelProcess, kKernelThread, kKernelEvent };

struct KernelEvent;  /* see events.cpp */

struct KernelHandle {
  KernelHandleKind kind;
  int fd;     /* files */
  pid_t pid;  /* processes and threads */
  /* Events: shared, so that a thread still setting or waiting on one keeps it alive
   * while another closes the handle, as a Windows object lives while it is in use. */
  std::shared_ptr<KernelEvent> event;
};

/* Returns a new handle, or null when memory runs out. */
HANDLE KernelHandleOpen(KernelHandleKind kind, int fd, pid_t pid);
HANDLE KernelHandleOpenEvent(std::shared_ptr<KernelEvent> event);
/* The object behind a handle of the given kind, or null for any other value. */
KernelHandle *KernelHandleGet(HANDLE handle, KernelHandleKind kind);
/* The event behind an event handle, or null for any other value. */
std::shared_ptr<KernelEvent> KernelHandleEvent(HANDLE handle);
/* Unregisters the handle; false when it is not a live handle. Closes a file's fd. */
bool KernelHandleClose(HANDLE handle);

#endif
