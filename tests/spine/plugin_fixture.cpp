#include "plugin_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

#ifndef _WIN32
#  include <unistd.h>
#endif

qvhost::Plugin *PluginTest::plugin_ = nullptr;

namespace {
std::vector<std::string> &TemporaryFolders() {
  static std::vector<std::string> folders;
  return folders;
}
}  // namespace

std::string BuiltPluginPath() { return QV_PLUGIN_PATH; }

void UsePrivateRegistry() {
#ifndef _WIN32
  char folder[] = "/tmp/qv-spine-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  setenv("QV_WIN32_REGISTRY", (std::string(folder) + "/user.reg").c_str(), 1);
  TemporaryFolders().push_back(folder);
#endif
}

void PluginTest::SetUpTestSuite() {
  UsePrivateRegistry();
  if (plugin_) return;
  plugin_ = new qvhost::Plugin;
  std::string error;
  ASSERT_TRUE(plugin_->Load(BuiltPluginPath(), &error)) << error;
}

void PluginTest::TearDownTestSuite() {
  for (const std::string &folder : TemporaryFolders()) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  TemporaryFolders().clear();
}
