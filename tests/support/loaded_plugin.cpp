#include "loaded_plugin.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "files.h"
#include "qpl/settings.h"

namespace testsupport {
namespace {

std::string PluginPath() { return NativePath(QV_PLUGIN_PATH); }

// Test cases may run as processes side by side, so a copy is named after its test;
// where a loaded file cannot be removed, the next run of that test overwrites it.
std::string CopyName(const std::string &path) {
  static int copies = 0;
  std::string name = path + ".copy";
  if (const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info())
    name += std::string("-") + test->test_suite_name() + "." + test->name();
  for (size_t slash = path.size(); (slash = name.find('/', slash)) != std::string::npos;) name[slash] = '_';
  return name + "-" + std::to_string(++copies) + ".qpl";
}

}  // namespace

const qvhost::Plugin &LoadedPlugin() {
  static const qvhost::Plugin *const plugin = [] {
    // Never unloaded: the module's state must outlive every test that holds its entry points.
    auto *loaded = new qvhost::Plugin;
    std::string error;
    if (!loaded->Load(PluginPath(), &error)) {
      ADD_FAILURE() << error;
      std::abort();
    }
    return loaded;
  }();
  return *plugin;
}

const qvhost::Plugin *LoadFreshCopyOfPlugin() {
  const std::string path = PluginPath();
  const std::string copy = CopyName(path);
  {
    // Streams, not copy_file: MinGW's copy_file will not overwrite a file.
    std::ifstream in(path, std::ios::binary);
    std::ofstream out(copy, std::ios::binary | std::ios::trunc);
    if (!(in && out << in.rdbuf() && out.flush())) {
      ADD_FAILURE() << "cannot copy the plug-in to " << copy;
      return nullptr;
    }
  }
  auto *plugin = new qvhost::Plugin;
  std::string message;
  const bool loaded = plugin->Load(copy, &message);
  std::error_code error;
  std::filesystem::remove(copy, error);  // a loaded module stays mapped (Windows keeps the file)
  if (!loaded) {
    ADD_FAILURE() << message;
    delete plugin;
    return nullptr;
  }
  // Kept where the leak check sees it: the copies are never unloaded, not lost.
  static auto *const copies = new std::vector<const qvhost::Plugin *>;
  copies->push_back(plugin);
  return plugin;
}

void PluginTest::SaveSetting(const char *name, DWORD value) {
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(HKEY_CURRENT_USER, QPL_SETTINGS_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof(value));
  RegCloseKey(key);
}

}  // namespace testsupport
