#include "plugin_fixture.h"

#include <cstdlib>

#ifndef _WIN32
#  include <unistd.h>
#endif

qvhost::Plugin *PluginTest::plugin_ = nullptr;

std::string BuiltPluginPath() { return QV_PLUGIN_PATH; }

void UsePrivateRegistry() {
#ifndef _WIN32
  char folder[] = "/tmp/qv-spine-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  setenv("QV_WIN32_REGISTRY", (std::string(folder) + "/user.reg").c_str(), 1);
#endif
}

void PluginTest::SetUpTestSuite() {
  UsePrivateRegistry();
  if (plugin_) return;
  plugin_ = new qvhost::Plugin;
  std::string error;
  ASSERT_TRUE(plugin_->Load(BuiltPluginPath(), &error)) << error;
}

void PluginTest::TearDownTestSuite() {}
