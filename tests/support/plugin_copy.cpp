#include "plugin_copy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

const qvhost::EntryPoints *LoadFreshCopyOfPlugin(const std::string &path) {
  // Test cases run as processes side by side: each copy gets a name no other has.
  static std::mt19937 tags{std::random_device{}()};
  const std::string copy = path + ".copy-" + std::to_string(tags()) + ".qpl";
  std::error_code error;
  std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing, error);
  if (error) {
    ADD_FAILURE() << "cannot copy the plug-in to " << copy << ": " << error.message();
    return nullptr;
  }
  // Never unloaded: the module's state must outlive every test that holds its entry points.
  auto *plugin = new qvhost::Plugin;
  std::string message;
  const bool loaded = plugin->Load(copy, &message);
  std::filesystem::remove(copy, error);  // a loaded module stays mapped (Windows keeps the file)
  if (!loaded) {
    ADD_FAILURE() << message;
    delete plugin;
    return nullptr;
  }
  return &plugin->pi();
}
