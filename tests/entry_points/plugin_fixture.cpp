#include "plugin_fixture.h"

#include <optional>

#include "environment.h"

qvhost::Plugin *PluginTest::plugin_ = nullptr;

namespace {
// The registry of the tests that run now; a new one replaces (and removes) the last.
std::optional<testsupport::PrivateRegistry> &CurrentRegistry() {
  static std::optional<testsupport::PrivateRegistry> registry;
  return registry;
}
}  // namespace

std::string BuiltPluginPath() { return QV_PLUGIN_PATH; }

void UsePrivateRegistry() {
  CurrentRegistry().reset();
  CurrentRegistry().emplace();
}

void PluginTest::SetUpTestSuite() {
  UsePrivateRegistry();
  if (plugin_) return;
  plugin_ = new qvhost::Plugin;
  std::string error;
  ASSERT_TRUE(plugin_->Load(BuiltPluginPath(), &error)) << error;
}

void PluginTest::TearDownTestSuite() { CurrentRegistry().reset(); }
