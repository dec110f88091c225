// The registry under HKEY_CURRENT_USER, kept in one text file per user.
//
// The file holds one line per key and one per value:
//   key<TAB>Software\Maker\Product
//   value<TAB>Software\Maker\Product<TAB>Name<TAB>4<TAB>01000000
// (path, value name, type, data in hex; '%', tabs and line breaks in names are
// written as %XX). Every call reads the file afresh, so that another process's
// changes are seen; every change rewrites it through a temporary file and a rename
// while holding an exclusive flock, so that writers never interleave.
#include "win32.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "lasting.h"

namespace {

struct Value {
  std::string name;
  DWORD type = REG_NONE;
  std::string bytes;
};

struct Key {
  std::string path;                     // as first created
  std::map<std::string, Value> values;  // by lower-case name
};

using Hive = std::map<std::string, Key>;  // by lower-case path

struct OpenKey {
  std::string path;  // lower-case
};

std::mutex registry_mutex;  // threads of this process; flock orders processes
std::set<OpenKey *> &open_keys = Lasting<std::set<OpenKey *>>();

std::string Lower(std::string text) {
  for (char &c : text)
    if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
  return text;
}

// Joins a key path and a sub-key, dropping empty components ("a\\b\" is "a\b").
std::string JoinPath(const std::string &base, const char *sub) {
  std::string path = base;
  std::string part;
  auto flush = [&]() {
    if (part.empty()) return;
    if (!path.empty()) path += '\\';
    path += part;
    part.clear();
  };
  for (const char *p = sub ? sub : ""; *p; ++p) {
    if (*p == '\\')
      flush();
    else
      part += *p;
  }
  flush();
  return path;
}

std::string Escape(const std::string &text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (c == '%' || c < 0x20 || c == 0x7F) {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += (char)c;
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Unescape(const std::string &text, std::string *out) {
  out->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      *out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    int hi = HexDigit(text[i + 1]), lo = HexDigit(text[i + 2]);
    if (hi < 0 || lo < 0) return false;
    *out += (char)(hi * 16 + lo);
    i += 2;
  }
  return true;
}

bool DecodeHex(const std::string &text, std::string *out) {
  if (text.size() % 2) return false;
  out->clear();
  for (size_t i = 0; i < text.size(); i += 2) {
    int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    *out += (char)(hi * 16 + lo);
  }
  return true;
}

std::vector<std::string> SplitTabs(const std::string &line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

std::string FilePath() {
  if (const char *file = std::getenv("QV_WIN32_REGISTRY"); file && *file) return file;
  std::string base;
  if (const char *config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
    base = config;
  } else {
    const char *home = std::getenv("HOME");
    base = std::string(home && *home ? home : "/tmp") + "/.config";
  }
  return base + "/quorvel-win32/user.reg";
}

bool MakeParentFolders(const std::string &file) {
  for (size_t slash = file.find('/', 1); slash != std::string::npos; slash = file.find('/', slash + 1)) {
    std::string folder = file.substr(0, slash);
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

Key &EnsureKey(Hive &hive, const std::string &path) {
  Key &key = hive[Lower(path)];
  if (key.path.empty()) key.path = path;
  return key;
}

const char kHeader[] = "# Registry of HKEY_CURRENT_USER (win32api stand-in); rewritten as a whole on change.";

// A missing file is an empty registry. Lines that cannot be parsed are skipped, so a
// damaged line costs only itself; `unparsed`, when given, receives them so that a
// rewrite keeps them as they are (they may be another program's or a later version's).
bool ReadHive(const std::string &file, Hive *hive, std::vector<std::string> *unparsed = nullptr) {
  hive->clear();
  if (unparsed) unparsed->clear();
  FILE *in = std::fopen(file.c_str(), "r");
  if (!in) return errno == ENOENT;
  std::string line;
  int c;
  auto take = [&]() {
    std::vector<std::string> fields = SplitTabs(line);
    std::string path, name, bytes;
    bool parsed = false;
    if (fields.size() == 2 && fields[0] == "key" && Unescape(fields[1], &path)) {
      EnsureKey(*hive, path);
      parsed = true;
    } else if (fields.size() == 5 && fields[0] == "value" && Unescape(fields[1], &path) &&
               Unescape(fields[2], &name) && DecodeHex(fields[4], &bytes)) {
      char *end = nullptr;
      unsigned long type = std::strtoul(fields[3].c_str(), &end, 10);
      if (end && *end == '\0' && !fields[3].empty()) {
        Value &value = EnsureKey(*hive, path).values[Lower(name)];
        value.name = name;
        value.type = (DWORD)type;
        value.bytes = bytes;
        parsed = true;
      }
    }
    if (!parsed && unparsed && line != kHeader) unparsed->push_back(line);
    line.clear();
  };
  while ((c = std::fgetc(in)) != EOF) {
    if (c == '\n')
      take();
    else
      line += (char)c;
  }
  if (!line.empty()) take();
  bool ok = !std::ferror(in);
  std::fclose(in);
  return ok;
}

bool WriteAll(int fd, const std::string &text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += (size_t)n;
  }
  return true;
}

bool WriteHive(const std::string &file, const Hive &hive, const std::vector<std::string> &unparsed) {
  static const char hex[] = "0123456789ABCDEF";
  std::string text = std::string(kHeader) + "\n";
  for (const auto &entry : hive) text += "key\t" + Escape(entry.second.path) + "\n";
  for (const auto &entry : hive) {
    for (const auto &named : entry.second.values) {
      const Value &value = named.second;
      text += "value\t" + Escape(entry.second.path) + "\t" + Escape(value.name) + "\t" + std::to_string(value.type) + "\t";
      for (unsigned char b : value.bytes) {
        text += hex[b >> 4];
        text += hex[b & 15];
      }
      text += "\n";
    }
  }
  for (const std::string &line : unparsed) text += line + "\n";
  std::string temporary = file + ".tmp." + std::to_string(getpid());
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, text) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (ok && rename(temporary.c_str(), file.c_str()) == 0) return true;
  unlink(temporary.c_str());
  return false;
}

// Runs `change` on the current registry with the file locked against other writers,
// and writes the result back when `change` reports a modification.
template <typename Change>
LONG Modify(Change change) {
  std::string file = FilePath();
  if (!MakeParentFolders(file)) return ERROR_ACCESS_DENIED;
  std::string lockFile = file + ".lock";
  int lock = open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock < 0) return ERROR_ACCESS_DENIED;
  while (flock(lock, LOCK_EX) != 0 && errno == EINTR) {
  }
  Hive hive;
  std::vector<std::string> unparsed;
  LONG result;
  if (!ReadHive(file, &hive, &unparsed)) {
    result = ERROR_REGISTRY_IO_FAILED;
  } else {
    bool modified = false;
    result = change(hive, &modified);
    if (result == ERROR_SUCCESS && modified && !WriteHive(file, hive, unparsed)) result = ERROR_REGISTRY_IO_FAILED;
  }
  flock(lock, LOCK_UN);
  close(lock);
  return result;
}

bool KeyExists(const Hive &hive, const std::string &lowerPath) {
  if (lowerPath.empty() || hive.count(lowerPath)) return true;
  // A key also exists when a key below it does.
  auto below = hive.lower_bound(lowerPath + "\\");
  return below != hive.end() && below->first.compare(0, lowerPath.size() + 1, lowerPath + "\\") == 0;
}

// The lower-case path of an open key or of the root; false for anything else.
bool ResolveKey(HKEY key, std::string *path) {
  if (key == HKEY_CURRENT_USER) {
    path->clear();
    return true;
  }
  auto it = open_keys.find(reinterpret_cast<OpenKey *>(key));
  if (it == open_keys.end()) return false;
  *path = (*it)->path;
  return true;
}

HKEY NewOpenKey(const std::string &lowerPath) {
  OpenKey *open = new OpenKey{lowerPath};
  open_keys.insert(open);
  return reinterpret_cast<HKEY>(open);
}

}  // namespace

extern "C" LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR, DWORD, REGSAM,
                                       struct _SECURITY_ATTRIBUTES *, PHKEY result, LPDWORD disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::lock_guard<std::mutex> guard(registry_mutex);
  std::string base;
  if (!ResolveKey(key, &base)) return ERROR_INVALID_HANDLE;
  // The stored spelling comes from the caller; lookups ignore case.
  std::string path = JoinPath(base, subKey);
  std::string lowerPath = Lower(path);
  bool created = false;
  LONG status = Modify([&](Hive &hive, bool *modified) {
    if (KeyExists(hive, lowerPath)) return ERROR_SUCCESS;
    EnsureKey(hive, path);
    created = *modified = true;
    return ERROR_SUCCESS;
  });
  if (status != ERROR_SUCCESS) return status;
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = NewOpenKey(lowerPath);
  return ERROR_SUCCESS;
}

extern "C" LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::lock_guard<std::mutex> guard(registry_mutex);
  std::string base;
  if (!ResolveKey(key, &base)) return ERROR_INVALID_HANDLE;
  std::string lowerPath = Lower(JoinPath(base, subKey));
  Hive hive;
  if (!ReadHive(FilePath(), &hive)) return ERROR_REGISTRY_IO_FAILED;
  if (!KeyExists(hive, lowerPath)) return ERROR_FILE_NOT_FOUND;
  *result = NewOpenKey(lowerPath);
  return ERROR_SUCCESS;
}

extern "C" LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                        LPDWORD dataSize) {
  if (reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> guard(registry_mutex);
  std::string path;
  if (!ResolveKey(key, &path)) return ERROR_INVALID_HANDLE;
  Hive hive;
  if (!ReadHive(FilePath(), &hive)) return ERROR_REGISTRY_IO_FAILED;
  auto found = hive.find(path);
  if (found == hive.end()) return ERROR_FILE_NOT_FOUND;
  auto value = found->second.values.find(Lower(valueName ? valueName : ""));
  if (value == found->second.values.end()) return ERROR_FILE_NOT_FOUND;
  const std::string &bytes = value->second.bytes;
  if (type) *type = value->second.type;
  if (!dataSize) return ERROR_SUCCESS;
  DWORD room = *dataSize;
  *dataSize = (DWORD)bytes.size();
  if (!data) return ERROR_SUCCESS;
  if (room < bytes.size()) return ERROR_MORE_DATA;
  if (!bytes.empty()) memcpy(data, bytes.data(), bytes.size());
  return ERROR_SUCCESS;
}

extern "C" LONG WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE *data,
                                      DWORD dataSize) {
  if (reserved || (!data && dataSize)) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> guard(registry_mutex);
  std::string path;
  if (!ResolveKey(key, &path)) return ERROR_INVALID_HANDLE;
  std::string name = valueName ? valueName : "";
  return Modify([&](Hive &hive, bool *modified) {
    // The key may have been created under another spelling; keep that one.
    Key &stored = hive[path];
    if (stored.path.empty()) stored.path = path;
    Value &value = stored.values[Lower(name)];
    value.name = name;
    value.type = type;
    value.bytes.assign(reinterpret_cast<const char *>(data), data ? dataSize : 0);
    *modified = true;
    return ERROR_SUCCESS;
  });
}

extern "C" LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName) {
  std::lock_guard<std::mutex> guard(registry_mutex);
  std::string path;
  if (!ResolveKey(key, &path)) return ERROR_INVALID_HANDLE;
  return Modify([&](Hive &hive, bool *modified) {
    auto found = hive.find(path);
    if (found == hive.end() || found->second.values.erase(Lower(valueName ? valueName : "")) == 0)
      return ERROR_FILE_NOT_FOUND;
    *modified = true;
    return ERROR_SUCCESS;
  });
}

extern "C" LONG WINAPI RegCloseKey(HKEY key) {
  if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE || key == HKEY_CLASSES_ROOT || key == HKEY_USERS)
    return ERROR_SUCCESS;
  std::lock_guard<std::mutex> guard(registry_mutex);
  auto it = open_keys.find(reinterpret_cast<OpenKey *>(key));
  if (it == open_keys.end()) return ERROR_INVALID_HANDLE;
  delete *it;
  open_keys.erase(it);
  return ERROR_SUCCESS;
}
