// Message boxes without a desktop: caption and text go to standard error and the
// answer is OK, unless a test has installed a hook.
#include "win32.h"

#include <cstdio>
#include <mutex>

namespace {
std::mutex hook_mutex;
Win32MessageBoxHook hook_fn = nullptr;
void *hook_context = nullptr;
}  // namespace

extern "C" void Win32SetMessageBoxHook(Win32MessageBoxHook hook, void *context) {
  std::lock_guard<std::mutex> lock(hook_mutex);
  hook_fn = hook;
  hook_context = context;
}

extern "C" int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  Win32MessageBoxHook hook;
  void *context;
  {
    std::lock_guard<std::mutex> lock(hook_mutex);
    hook = hook_fn;
    context = hook_context;
  }
  if (hook) return hook(owner, text ? text : "", caption ? caption : "Error", type, context);
  std::fprintf(stderr, "[%s] %s\n", caption ? caption : "Error", text ? text : "");
  return IDOK;
}
