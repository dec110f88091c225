// Loading a plug-in library and resolving its entry points, as a host application
// does: LoadLibraryA by path, GetProcAddress by name.
#include "host.h"

#include <unistd.h>

#include <cstring>

namespace qvhost {

std::string SystemMessage(DWORD code) {
  char text[512] = "";
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == ' '))
    text[--length] = '\0';
  return length ? std::string(text) : "error " + std::to_string(code);
}

namespace {

void *OpenLibrary(const std::string &path, std::string *error) {
  // LoadLibraryA searches the system's folders for a bare name; the host loads
  // plug-ins by path only.
  std::string file = path;
  for (char &c : file)
    if (c == '/') c = '\\';
  if (file.find('\\') == std::string::npos && file.find(':') == std::string::npos) file = ".\\" + file;
  HMODULE module = LoadLibraryA(file.c_str());
  if (!module) *error = SystemMessage(GetLastError());
  return reinterpret_cast<void *>(module);
}

void *FindSymbol(void *library, const char *name) {
  FARPROC address = GetProcAddress(reinterpret_cast<HMODULE>(library), name);
  void *result = nullptr;
  std::memcpy(&result, &address, sizeof result);
  return result;
}

void CloseLibrary(void *library) { FreeLibrary(reinterpret_cast<HMODULE>(library)); }

}  // namespace

bool Plugin::Load(const std::string &path, std::string *error) {
  Unload();
  std::string reason;
  void *library = OpenLibrary(path, &reason);
  if (!library) {
    *error = "cannot load plug-in '" + path + "': " + reason;
    return false;
  }
  EntryPoints entry = {};
  auto find = [library](const char *name) { return FindSymbol(library, name); };
  if (const char *missing = qpl::ResolveEntryPoints(&entry, find)) {
    CloseLibrary(library);
    *error = "plug-in '" + path + "' has no entry point " + missing;
    return false;
  }
  library_ = library;
  entry_ = entry;
  path_ = path;
  return true;
}

void Plugin::Unload() {
  if (library_) CloseLibrary(library_);
  library_ = nullptr;
  entry_ = {};
  path_.clear();
}

Plugin::~Plugin() { Unload(); }

bool IsTerminal(FILE *stream) { return isatty(fileno(stream)) != 0; }

}  // namespace qvhost
