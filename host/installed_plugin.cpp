// Where an installed qvhost finds its plug-in when none is named: at a path relative to
// the folder of the qvhost program, which the install layout of the build fixes
// (QVHOST_INSTALLED_PLUGIN), so that the installed tree works from any prefix.
#include "host.h"

#include <cstdio>

namespace qvhost {

std::string InstalledPluginPath() {
  char program[4096];
  DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
  if (length == 0 || length >= sizeof program) return "";  // unknown, or cut short
  std::string path(program, length);
  size_t folderEnd = path.find_last_of("/\\");
  if (folderEnd == std::string::npos) return "";
  path = path.substr(0, folderEnd + 1) + QVHOST_INSTALLED_PLUGIN;
  FILE *file = std::fopen(path.c_str(), "rb");
  if (!file) return "";
  std::fclose(file);
  return path;
}

}  // namespace qvhost
