// The built plug-in, loaded by path as a host loads it, with the entry points the
// dialog and export tests call.
#ifndef QV_TESTS_PLUGIN_UNDER_TEST_H
#define QV_TESTS_PLUGIN_UNDER_TEST_H

#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include "host.h"
#include "instance_block.h"
#include "plugin_copy.h"

struct PluginUnderTest : qvhost::EntryPoints {
  // Loads QV_PLUGIN_PATH once per process, for good; a plug-in that does not load
  // stops the program.
  static const PluginUnderTest &Get() {
    static const PluginUnderTest plugin = [] {
      auto *loaded = new qvhost::Plugin;
      std::string error;
      if (!loaded->Load(QV_PLUGIN_PATH, &error)) {
        ADD_FAILURE() << error;
        std::abort();
      }
      return PluginUnderTest{loaded->pi()};
    }();
    return plugin;
  }

  // A fresh copy of the library (see plugin_copy.h).
  static PluginUnderTest LoadFreshCopy() {
    const qvhost::EntryPoints *fresh = LoadFreshCopyOfPlugin(QV_PLUGIN_PATH);
    if (!fresh) std::abort();
    return PluginUnderTest{*fresh};
  }
};

// An instance block that ends its transfer and is freed at scope exit, and a view of
// its fields while the test looks.
class TestInstance {
 public:
  explicit TestInstance(const PluginUnderTest &pi = PluginUnderTest::Get()) : pi_(pi), handle_(pi_.piLocalInit(0, 0)) {}
  ~TestInstance() {
    if (handle_) {
      pi_.piLocalProcessDataEnd(0, handle_);
      pi_.piLocalDone(0, handle_);
    }
  }
  HGLOBAL handle() const { return handle_; }
  // A copy of the block's fields.
  InstanceBlock Fields() const {
    InstanceBlock copy;
    void *p = GlobalLock(handle_);
    memcpy(&copy, p, sizeof(copy));
    GlobalUnlock(handle_);
    return copy;
  }
  // Releases the block from the test's care (after piLocalDone in the test itself).
  void Forget() { handle_ = nullptr; }

 private:
  const PluginUnderTest &pi_;
  HGLOBAL handle_;
};

#endif
