#include "files.h"

#include <cstdio>

namespace testsupport {

std::vector<uint8_t> ReadFileBytes(const std::string &path) {
  std::vector<uint8_t> bytes;
  FILE *file = std::fopen(path.c_str(), "rb");
  if (!file) return bytes;
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  std::fclose(file);
  return bytes;
}

bool WriteFileBytes(const std::string &path, const std::vector<uint8_t> &bytes) {
  FILE *file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

bool FileExists(const std::string &path) {
  FILE *file = std::fopen(path.c_str(), "rb");
  if (file) std::fclose(file);
  return file != nullptr;
}

std::string NativePath(const std::string &path) {
#ifdef _WIN32
  std::string windows = "Z:" + path;
  for (char &c : windows)
    if (c == '/') c = '\\';
  return windows;
#else
  return path;
#endif
}

}  // namespace testsupport
