// The plug-in under test (QV_PLUGIN_PATH), loaded by path as a host loads it: the
// library, then all twenty entry points by name. Once per test program, or as a fresh
// copy for a test that needs the module-wide state of a new process.
#ifndef QV_TESTS_SUPPORT_LOADED_PLUGIN_H
#define QV_TESTS_SUPPORT_LOADED_PLUGIN_H

#include <gtest/gtest.h>

#include "environment.h"
#include "host.h"

struct InstanceBlock;  // the plug-in's own (plugin/instance_block.h), for the tests that look into it

namespace testsupport {

// Loaded at the first call and never unloaded, so that its module-wide state (the
// name buffer, the profile selection) carries from test to test as in a host. A
// plug-in that does not load fails the test and stops the program: no test can go
// on without it.
const qvhost::Plugin &LoadedPlugin();
inline const qvhost::EntryPoints &Pi() { return LoadedPlugin().pi(); }

// A new copy of the library, copied under a name of its own and loaded as a separate
// module, whose module-wide state is as a new process finds it. It stays loaded until
// the program ends; its file is removed at once where the system allows it. Null, with
// a test failure, when it cannot be copied or loaded.
const qvhost::Plugin *LoadFreshCopyOfPlugin();

// The block behind an instance handle, where a test looks between calls as a host may:
// fixed memory, so its handle is its address.
inline InstanceBlock *Block(HGLOBAL handle) {
  void *block = GlobalLock(handle);
  EXPECT_NE(block, nullptr) << "no instance block behind the handle";
  return static_cast<InstanceBlock *>(block);
}

// Base of the fixtures that drive the plug-in under test: its entry points, and its
// settings in a registry of the test's own (see PrivateRegistry), whose folder also
// serves the test's other files.
class PluginTest : public ::testing::Test {
 protected:
  static const qvhost::Plugin &plugin() { return LoadedPlugin(); }
  static const qvhost::EntryPoints &pi() { return Pi(); }
  // Saves one of the plug-in's settings, as a number, where the plug-in reads it.
  static void SaveSetting(const char *name, DWORD value);

  PrivateRegistry registry_;
};

}  // namespace testsupport

#endif
