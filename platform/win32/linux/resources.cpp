// Resources registered by the libraries that own them, found by module, type and
// name as the Win32 resource calls find them in a resource section.
#include "win32.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <string>
#include <tuple>

#include "lasting.h"

namespace {

// An integer id or an upper-case name: resource names compare without case.
struct ResourceName {
  ULONG_PTR id = 0;
  std::string text;
  bool operator<(const ResourceName &other) const { return std::tie(id, text) < std::tie(other.id, other.text); }
};

ResourceName NameOf(LPCSTR name) {
  ResourceName result;
  if (IS_INTRESOURCE(name)) {
    result.id = (ULONG_PTR)name;
  } else {
    result.id = ~(ULONG_PTR)0;
    for (const char *p = name; *p; ++p) result.text += (*p >= 'a' && *p <= 'z') ? (char)(*p - 'a' + 'A') : *p;
  }
  return result;
}

using Key = std::tuple<HMODULE, ResourceName, ResourceName>;  // module, type, name

std::mutex resource_mutex;
std::map<Key, Win32Resource> &resources = Lasting<std::map<Key, Win32Resource>>();

const Win32Resource *Find(HMODULE module, LPCSTR name, LPCSTR type) {
  auto it = resources.find(Key(module, NameOf(type), NameOf(name)));
  return it == resources.end() ? nullptr : &it->second;
}

}  // namespace

extern "C" void Win32RegisterResources(HMODULE module, const Win32Resource *table, size_t count) {
  std::lock_guard<std::mutex> lock(resource_mutex);
  for (size_t i = 0; i < count; ++i)
    resources[Key(module, NameOf(table[i].type), NameOf(table[i].name))] = table[i];
}

extern "C" void Win32WithdrawResources(HMODULE module) {
  std::lock_guard<std::mutex> lock(resource_mutex);
  for (auto it = resources.begin(); it != resources.end();) {
    if (std::get<0>(it->first) == module)
      it = resources.erase(it);
    else
      ++it;
  }
}

extern "C" HMODULE Win32ModuleFromAddress(const void *address) {
  Dl_info info;
  if (!address || dladdr(address, &info) == 0 || !info.dli_fbase) return nullptr;
  return reinterpret_cast<HMODULE>(info.dli_fbase);
}

extern "C" int WINAPI LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int size) {
  if (!buffer || size <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard<std::mutex> lock(resource_mutex);
  const Win32Resource *found = Find(module, MAKEINTRESOURCEA(id), RT_STRING);
  if (!found) {
    buffer[0] = '\0';
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
  }
  size_t length = found->size < (DWORD)(size - 1) ? found->size : (size_t)(size - 1);
  memcpy(buffer, found->data, length);
  buffer[length] = '\0';
  return (int)length;
}

extern "C" HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  std::lock_guard<std::mutex> lock(resource_mutex);
  const Win32Resource *found = Find(module, name, type);
  if (!found) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  // Entries of a std::map keep their address until they are erased.
  return reinterpret_cast<HRSRC>(const_cast<Win32Resource *>(found));
}

extern "C" HGLOBAL WINAPI LoadResource(HMODULE, HRSRC resource) {
  if (!resource) return nullptr;
  return const_cast<void *>(reinterpret_cast<const Win32Resource *>(resource)->data);
}

extern "C" LPVOID WINAPI LockResource(HGLOBAL loaded) { return loaded; }

extern "C" DWORD WINAPI SizeofResource(HMODULE, HRSRC resource) {
  return resource ? reinterpret_cast<const Win32Resource *>(resource)->size : 0;
}
