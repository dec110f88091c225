// Reading a media file's format through the plug-in.
#include "import_media.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

namespace qvhost {

namespace {

uint64_t Le(const uint8_t *p, int size) {
  uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | p[i];
  return value;
}

// Whether the ASF header of `file` carries a Content Encryption or Extended Content
// Encryption object, here or in its Header Extension. The plug-in only says that it
// cannot read such a file; the media runtime refuses it without a licence.
bool IsProtectedAsf(const std::string &file) {
  static const uint8_t kHeader[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                      0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
  static const uint8_t kExtension[16] = {0xB5, 0x03, 0xBF, 0x5F, 0x2E, 0xA9, 0xCF, 0x11,
                                         0x8E, 0xE3, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
  static const uint8_t kEncryption[2][16] = {
      {0xFB, 0xB3, 0x11, 0x22, 0x23, 0xBD, 0xD2, 0x11, 0xB4, 0xB7, 0x00, 0xA0, 0xC9, 0x55, 0xFC, 0x6E},
      {0x14, 0xE6, 0x8A, 0x29, 0x22, 0x26, 0x17, 0x4C, 0xB9, 0x35, 0xDA, 0xE0, 0x7E, 0xE9, 0x28, 0x9C}};
  FILE *in = fopen(file.c_str(), "rb");
  if (!in) return false;
  uint8_t object[30];
  bool found = false;
  if (fread(object, 1, 30, in) == 30 && memcmp(object, kHeader, 16) == 0) {
    // The Header Extension's objects follow its own 46 bytes and fill it: the walk
    // goes through them, then on with the next top-level object.
    const uint64_t end = Le(object + 16, 8);
    bool entered = false;
    for (uint64_t at = 30; !found && at + 24 <= end;) {
      if (fseek(in, static_cast<long>(at), SEEK_SET) != 0 || fread(object, 1, 24, in) != 24) break;
      const uint64_t size = Le(object + 16, 8);
      if (size < 24 || size > end - at) break;
      found = memcmp(object, kEncryption[0], 16) == 0 || memcmp(object, kEncryption[1], 16) == 0;
      if (memcmp(object, kExtension, 16) == 0 && size > 46 && !entered) {
        entered = true;
        at += 46;
      } else {
        at += size;
      }
    }
  }
  fclose(in);
  return found;
}

}  // namespace

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
    *error = IsProtectedAsf(file) ? file + " is protected (DRM) and cannot be read"
                                  : "cannot open " + file + " as a Windows Media file";
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
