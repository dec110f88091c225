// Reading a media file's format through the plug-in.
#include "import_media.h"

#include <string.h>
#include <sys/stat.h>

namespace qvhost {

bool ReadMediaFormat(const Plugin &plugin, const Instance &instance, const std::string &file,
                     HostFormat *format, std::string *error) {
  struct stat info;
  if (stat(file.c_str(), &info) != 0) {
    *error = "cannot open " + file + ": no such file";
    return false;
  }
  if ((info.st_mode & S_IFMT) != S_IFREG) {
    *error = file + " is not a file";
    return false;
  }
  const EntryPoints &pi = plugin.pi();
  if (!pi.piLocalLoadData(0, instance.handle(), qpl::kTransferFormat, file.c_str())) {
    *error = "cannot open " + file + " as a Windows Media file";
    return false;
  }
  // A file the runtime opens but cannot describe leaves no format copy behind.
  std::vector<BYTE> record = CopyGlobal(pi.piLocalGetData(0, instance.handle()));
  if (record.size() < sizeof(HostFormat)) {
    *error = file + " is not a Windows Media file";
    return false;
  }
  memcpy(format, record.data(), sizeof(HostFormat));
  if ((format->flags & (kHostFormatVideo | kHostFormatAudio)) == 0) {
    *error = file + " is not a Windows Media file (no video or audio found)";
    return false;
  }
  return true;
}

bool ReadOutputKinds(const Instance &instance, LONG (&kinds)[kOutputKindSlots]) {
  // The block is the plug-in's; a host only looks, between calls.
  const BYTE *block = static_cast<const BYTE *>(GlobalLock(instance.handle()));
  if (!block) return false;
  memcpy(kinds, block + qpl::kOutputKindTableOffset, sizeof(kinds));
  GlobalUnlock(instance.handle());
  return true;
}

}  // namespace qvhost
