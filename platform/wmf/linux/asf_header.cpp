// ASF header objects: a 16-byte GUID and a 64-bit size each, little-endian; the
// Header Object holds the others after its own 30 bytes.
#include "asf_header.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace wmf {

namespace {

// {75B22630-668E-11CF-A6D9-00AA0062CE6C}
const uint8_t kHeaderObject[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                   0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
// {8CABDCA1-A947-11CF-8EE4-00C00C205365}
const uint8_t kFilePropertiesObject[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                           0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr int64_t kHeaderObjectSize = 30;
constexpr int64_t kObjectHeaderSize = 24;
// Within the File Properties object: file ID, file size, creation date and data
// packets count come first.
constexpr int64_t kPlayDurationAt = 64;
constexpr int64_t kPrerollAt = 80;
constexpr int64_t kFlagsAt = 88;
constexpr int64_t kFilePropertiesSize = 104;
constexpr uint32_t kBroadcastFlag = 1;
constexpr int kMaxObjects = 4096;  // a damaged count must not make the walk endless

struct FileCloser {
  void operator()(std::FILE *file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

uint64_t Le64(const uint8_t *p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

uint32_t Le32(const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

bool ReadAt(std::FILE *file, int64_t at, uint8_t *bytes, size_t count) {
  return fseeko(file, static_cast<off_t>(at), SEEK_SET) == 0 && std::fread(bytes, 1, count, file) == count;
}

bool Find(std::FILE *file, AsfFileProperties *properties) {
  uint8_t top[kHeaderObjectSize];
  if (!ReadAt(file, 0, top, sizeof(top)) || std::memcmp(top, kHeaderObject, 16) != 0) return false;
  const uint64_t headerEnd = Le64(top + 16);
  const uint32_t objects = Le32(top + 24);
  uint64_t at = kHeaderObjectSize;
  for (uint32_t i = 0; i < objects && i < kMaxObjects && at + kObjectHeaderSize <= headerEnd; ++i) {
    uint8_t object[kFilePropertiesSize];
    if (!ReadAt(file, static_cast<int64_t>(at), object, kObjectHeaderSize)) return false;
    const uint64_t size = Le64(object + 16);
    if (size < kObjectHeaderSize || size > headerEnd - at) return false;
    if (std::memcmp(object, kFilePropertiesObject, 16) == 0) {
      if (size < kFilePropertiesSize || !ReadAt(file, static_cast<int64_t>(at), object, sizeof(object))) return false;
      properties->playDuration = Le64(object + kPlayDurationAt);
      properties->prerollMs = Le64(object + kPrerollAt);
      properties->flags = Le32(object + kFlagsAt);
      properties->playDurationOffset = static_cast<int64_t>(at) + kPlayDurationAt;
      return true;
    }
    at += size;
  }
  return false;
}

}  // namespace

bool ReadAsfFileProperties(const std::string &path, AsfFileProperties *properties) {
  File file(std::fopen(path.c_str(), "rb"));
  return file && Find(file.get(), properties);
}

bool DurationOf(const AsfFileProperties &properties, uint64_t *duration) {
  if (properties.flags & kBroadcastFlag) return false;
  const uint64_t preroll = properties.prerollMs * 10000;
  if (properties.prerollMs > UINT64_MAX / 10000 || properties.playDuration <= preroll) return false;
  *duration = properties.playDuration - preroll;
  return true;
}

bool WriteAsfDuration(const std::string &path, uint64_t duration) {
  File file(std::fopen(path.c_str(), "r+b"));
  AsfFileProperties properties;
  if (!file || !Find(file.get(), &properties) || properties.prerollMs > UINT64_MAX / 20000) return false;
  uint64_t play = duration + properties.prerollMs * 10000;
  uint8_t bytes[8];
  for (int i = 0; i < 8; ++i, play >>= 8) bytes[i] = static_cast<uint8_t>(play);
  return fseeko(file.get(), static_cast<off_t>(properties.playDurationOffset), SEEK_SET) == 0 &&
         std::fwrite(bytes, 1, sizeof(bytes), file.get()) == sizeof(bytes) && std::fflush(file.get()) == 0;
}

}  // namespace wmf
