// UTF-16 to UTF-8 for file names, then the platform's mapping of Windows paths, so
// that the file the writer makes is the one the plug-in's file calls name.
#include "file_path.h"

#include <climits>

namespace wmf {

bool Utf8PathOf(const WCHAR *name, std::string *path) {
  path->clear();
  for (size_t i = 0; name[i]; ++i) {
    char32_t c = name[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      const char32_t low = name[i + 1];
      if (low < 0xDC00 || low > 0xDFFF) return false;
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
    if (c < 0x80) {
      path->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      path->push_back(static_cast<char>(0xC0 | (c >> 6)));
      path->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      path->push_back(static_cast<char>(0xE0 | (c >> 12)));
      path->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      path->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      path->push_back(static_cast<char>(0xF0 | (c >> 18)));
      path->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      path->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      path->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  if (path->empty()) return false;
  char mapped[PATH_MAX];
  if (Win32PosixPath(path->c_str(), mapped, sizeof mapped) == 0) return false;
  path->assign(mapped);
  return true;
}

std::string FfmpegFileName(const std::string &path) { return "file:" + path; }

}  // namespace wmf
