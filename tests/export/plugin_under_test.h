// The built plug-in, loaded by path as a host loads it, with the entry points the
// dialog and export tests call.
#ifndef QV_TESTS_PLUGIN_UNDER_TEST_H
#define QV_TESTS_PLUGIN_UNDER_TEST_H

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "instance_block.h"
#include "win32.h"

struct PluginUnderTest {
  HGLOBAL(WINAPI *piLocalInit)(DWORD, DWORD);
  void(WINAPI *piLocalDone)(DWORD, HGLOBAL);
  BOOL(WINAPI *piLocalLength)(DWORD, HGLOBAL, LONG);
  BOOL(WINAPI *piLocalProcessDataStart)(DWORD, HGLOBAL);
  BOOL(WINAPI *piLocalProcessDataEnd)(DWORD, HGLOBAL);
  BOOL(WINAPI *piLocalSetData)(DWORD, HGLOBAL, const void *, LONG, DWORD, DWORD);
  BOOL(WINAPI *piLocalDlg)(DWORD, HGLOBAL, HWND);
  BOOL(WINAPI *piLocalSetFormat)(DWORD, HGLOBAL, const void *);
  BOOL(WINAPI *piLocalSaveData)(DWORD, HGLOBAL, LONG, LPCSTR);
  BOOL(WINAPI *piLocalLoadData)(DWORD, HGLOBAL, LONG, LPCSTR);
  HGLOBAL(WINAPI *piLocalGetData)(DWORD, HGLOBAL);

  // Loads QV_PLUGIN_PATH once per process; a missing entry point fails the test.
  static const PluginUnderTest &Get() {
    static PluginUnderTest plugin = Load(QV_PLUGIN_PATH);
    return plugin;
  }

  // A copy of the library under a name of its own: a separate module, with its
  // module-wide state as a new process finds it.
  static PluginUnderTest LoadFreshCopy() {
    static int copies = 0;
    std::string copy = std::string(QV_PLUGIN_PATH) + ".copy" + std::to_string(++copies) + ".qpl";
    std::string command = "cp '" + std::string(QV_PLUGIN_PATH) + "' '" + copy + "'";
    if (std::system(command.c_str()) != 0) ADD_FAILURE() << "cannot copy the plug-in to " << copy;
    PluginUnderTest p = Load(copy.c_str());
    std::remove(copy.c_str());  // the loaded module stays mapped
    return p;
  }

 private:
  template <class F>
  static void Resolve(void *library, const char *name, F *function) {
    *function = reinterpret_cast<F>(dlsym(library, name));
    if (!*function) ADD_FAILURE() << "the plug-in has no entry point " << name;
  }
  static PluginUnderTest Load(const char *path) {
    PluginUnderTest p = {};
    void *library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
      ADD_FAILURE() << "cannot load " << path << ": " << dlerror();
      std::abort();
    }
    Resolve(library, "piLocalInit", &p.piLocalInit);
    Resolve(library, "piLocalDone", &p.piLocalDone);
    Resolve(library, "piLocalLength", &p.piLocalLength);
    Resolve(library, "piLocalProcessDataStart", &p.piLocalProcessDataStart);
    Resolve(library, "piLocalProcessDataEnd", &p.piLocalProcessDataEnd);
    Resolve(library, "piLocalSetData", &p.piLocalSetData);
    Resolve(library, "piLocalDlg", &p.piLocalDlg);
    Resolve(library, "piLocalSetFormat", &p.piLocalSetFormat);
    Resolve(library, "piLocalSaveData", &p.piLocalSaveData);
    Resolve(library, "piLocalLoadData", &p.piLocalLoadData);
    Resolve(library, "piLocalGetData", &p.piLocalGetData);
    return p;
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
