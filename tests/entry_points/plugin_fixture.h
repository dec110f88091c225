// The built plug-in, loaded by path as a host loads it, for the entry points' tests.
#ifndef QV_TESTS_SPINE_PLUGIN_FIXTURE_H
#define QV_TESTS_SPINE_PLUGIN_FIXTURE_H

#include <gtest/gtest.h>

#include <string>

#include "host.h"
#include "instance_block.h"

// The library this test program was built with (QV_PLUGIN_PATH).
std::string BuiltPluginPath();

// Loads the library once per test program and gives every test its entry points.
// On Linux the settings live in a registry file of this test program's own, in a
// fresh temporary folder; under Windows they are the prefix's own registry.
class PluginTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override { ASSERT_TRUE(plugin_ && plugin_->loaded()) << "the plug-in did not load"; }
  static const qvhost::EntryPoints &pi() { return plugin_->pi(); }

  // The block behind a handle: fixed memory, so its handle is its address.
  static InstanceBlock *Block(HGLOBAL handle) { return static_cast<InstanceBlock *>(GlobalLock(handle)); }

  static qvhost::Plugin *plugin_;
};

// The plug-in's settings key, for the tests that arrange "ImportAllowed".
constexpr const char *kSettingsKey = QPL_SETTINGS_KEY;

// Points the Linux stand-in's registry at a new file in a fresh temporary folder (and
// removes the last one); Windows keeps its own registry.
void UsePrivateRegistry();

#endif
