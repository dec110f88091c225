#include "temp_folder.h"

#include <gtest/gtest.h>

#include <atomic>
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

}  // namespace testsupport
