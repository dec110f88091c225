// Environment variables set for a while, and the Win32 stand-in's registry kept in a
// file of the test's own.
#ifndef QV_TESTS_SUPPORT_ENVIRONMENT_H
#define QV_TESTS_SUPPORT_ENVIRONMENT_H

#include <optional>
#include <string>

#include "files.h"

namespace testsupport {

// Sets (or with a null value, removes) an environment variable for the life of the
// object, then puts back what was there.
class ScopedEnv {
 public:
  ScopedEnv(const char *name, const char *value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv &) = delete;
  ScopedEnv &operator=(const ScopedEnv &) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

// Points the Linux stand-in's registry (QV_WIN32_REGISTRY) at a file in a fresh folder
// while this lives, so that saved settings never leak between tests or into the
// user's; Windows keeps its own registry and ignores the variable. The folder also
// serves the test's other files.
class PrivateRegistry {
 public:
  const std::string &file() const { return file_; }
  const TempFolder &folder() const { return folder_; }

 private:
  TempFolder folder_{"qv-registry"};
  std::string file_ = folder_ / "user.reg";
  ScopedEnv env_{"QV_WIN32_REGISTRY", file_.c_str()};
};

}  // namespace testsupport

#endif
