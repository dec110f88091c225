#include "environment.h"

#include <cstdlib>

namespace testsupport {
namespace {

// A null value removes the variable.
void SetEnv(const char *name, const char *value) {
#ifdef _WIN32
  _putenv_s(name, value ? value : "");
#else
  if (value) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
#endif
}

}  // namespace

ScopedEnv::ScopedEnv(const char *name, const char *value) : name_(name) {
  if (const char *was = std::getenv(name)) previous_ = was;
  SetEnv(name, value);
}

ScopedEnv::~ScopedEnv() { SetEnv(name_.c_str(), previous_ ? previous_->c_str() : nullptr); }

}  // namespace testsupport
