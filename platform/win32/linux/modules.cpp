// Libraries through the dynamic loader, with the Win32 names and error reporting.
#include "win32.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "lasting.h"

namespace {

// The loader's reason for the last failure, kept for FormatMessageA.
std::mutex reason_lock;
std::string &last_reason = Lasting<std::string>();

void Fail(DWORD code, const char *reason) {
  {
    std::lock_guard<std::mutex> hold(reason_lock);
    last_reason = reason ? reason : "";
  }
  SetLastError(code);
}

}  // namespace

extern "C" HMODULE WINAPI LoadLibraryA(LPCSTR path) {
  if (!path || !*path) {
    Fail(ERROR_MOD_NOT_FOUND, "no library named");
    return nullptr;
  }
  char mapped[4096];
  if (Win32PosixPath(path, mapped, sizeof mapped) == 0) {
    Fail(ERROR_MOD_NOT_FOUND, "the library's path is too long");
    return nullptr;
  }
  void *library = dlopen(mapped, RTLD_NOW | RTLD_LOCAL);
  if (!library) Fail(ERROR_MOD_NOT_FOUND, dlerror());
  return static_cast<HMODULE>(library);
}

extern "C" FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
  if (!module || !name) {
    Fail(ERROR_PROC_NOT_FOUND, "no library or name");
    return nullptr;
  }
  dlerror();
  void *address = dlsym(module, name);
  if (!address) {
    Fail(ERROR_PROC_NOT_FOUND, dlerror());
    return nullptr;
  }
  FARPROC result;
  std::memcpy(&result, &address, sizeof result);
  return result;
}

extern "C" BOOL WINAPI FreeLibrary(HMODULE module) { return module && dlclose(module) == 0; }

extern "C" BOOL WINAPI GetModuleHandleExA(DWORD flags, LPCSTR name, HMODULE *module) {
  if (!module || !(flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *module = nullptr;
  Dl_info info;
  if (!name || dladdr(name, &info) == 0 || !info.dli_fbase || !info.dli_fname) {
    Fail(ERROR_MOD_NOT_FOUND, "no library holds the address");
    return FALSE;
  }
  // The loader never unloads a library once it has been opened with RTLD_NODELETE,
  // whatever dlclose calls follow.
  if ((flags & GET_MODULE_HANDLE_EX_FLAG_PIN) && !dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE)) {
    Fail(ERROR_MOD_NOT_FOUND, dlerror());
    return FALSE;
  }
  *module = reinterpret_cast<HMODULE>(info.dli_fbase);
  return TRUE;
}

extern "C" DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID, DWORD message, DWORD, LPSTR buffer, DWORD size,
                                       void *) {
  if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || !buffer || size == 0) return 0;
  std::string text;
  if (message == ERROR_MOD_NOT_FOUND || message == ERROR_PROC_NOT_FOUND) {
    std::lock_guard<std::mutex> hold(reason_lock);
    text = last_reason;
  }
  // The codes the stand-in sets from an errno read as that errno does.
  if (text.empty() && Win32ErrnoOfError(message)) text = std::strerror(Win32ErrnoOfError(message));
  if (text.empty()) text = std::strerror(static_cast<int>(message));
  int written = std::snprintf(buffer, size, "%s", text.c_str());
  if (written < 0) return 0;
  return static_cast<DWORD>(written) < size ? static_cast<DWORD>(written) : size - 1;
}
