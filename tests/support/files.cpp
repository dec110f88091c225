#include "files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <random>

namespace testsupport {

TempFolder::TempFolder(const std::string &prefix) {
  namespace fs = std::filesystem;
  static std::atomic<unsigned> made{0};
  std::error_code error;
  const fs::path base = fs::temp_directory_path(error);
  std::random_device random;
  // Creating the folder is the check that the name is free: it fails when it exists.
  for (int attempt = 0; attempt < 100 && !error; ++attempt) {
    const fs::path candidate = base / (prefix + "-" + std::to_string(random()) + "-" + std::to_string(++made));
    if (fs::create_directory(candidate, error)) {
      fs::permissions(candidate, fs::perms::owner_all, error);
      path_ = candidate.string();
      return;
    }
  }
  ADD_FAILURE() << "cannot make a temporary folder in " << base << ": " << error.message();
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

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
