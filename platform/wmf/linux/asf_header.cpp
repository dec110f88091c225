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
// {5FBF03B5-A92E-11CF-8EE3-00C00C205365}
const uint8_t kHeaderExtensionObject[16] = {0xB5, 0x03, 0xBF, 0x5F, 0x2E, 0xA9, 0xCF, 0x11,
                                            0x8E, 0xE3, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
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

// The Header Extension's objects follow its reserved GUID, reserved word and data size.
constexpr int64_t kExtensionBodySize = 22;

enum class Walk { Done, Stopped, Damaged };

Walk WalkObjects(std::FILE *file, uint64_t at, uint64_t end, uint32_t objects, bool nested,
                 const AsfObjectVisit &visit) {
  for (uint32_t i = 0; i < objects && i < kMaxObjects && at + kObjectHeaderSize <= end; ++i) {
    uint8_t object[kObjectHeaderSize];
    if (!ReadAsfBytes(file, static_cast<int64_t>(at), object, sizeof(object))) return Walk::Damaged;
    const uint64_t size = Le64(object + 16);
    if (size < kObjectHeaderSize || size > end - at) return Walk::Damaged;
    if (!visit(object, static_cast<int64_t>(at), size)) return Walk::Stopped;
    if (!nested && std::memcmp(object, kHeaderExtensionObject, 16) == 0 &&
        size >= kObjectHeaderSize + kExtensionBodySize) {
      const Walk inner = WalkObjects(file, at + kObjectHeaderSize + kExtensionBodySize, at + size, kMaxObjects, true, visit);
      if (inner != Walk::Done) return inner;
    }
    at += size;
  }
  return Walk::Done;
}

bool Find(std::FILE *file, AsfFileProperties *properties) {
  bool found = false;
  const bool walked = WalkAsfHeader(file, [&](const uint8_t *guid, int64_t at, uint64_t size) {
    if (std::memcmp(guid, kFilePropertiesObject, 16) != 0) return true;
    uint8_t object[kFilePropertiesSize];
    if (size < kFilePropertiesSize || !ReadAsfBytes(file, at, object, sizeof(object))) return false;
    properties->playDuration = Le64(object + kPlayDurationAt);
    properties->prerollMs = Le64(object + kPrerollAt);
    properties->flags = Le32(object + kFlagsAt);
    properties->playDurationOffset = at + kPlayDurationAt;
    found = true;
    return false;
  });
  return walked && found;
}

}  // namespace

bool ReadAsfBytes(std::FILE *file, int64_t at, uint8_t *bytes, size_t count) {
  return fseeko(file, static_cast<off_t>(at), SEEK_SET) == 0 && std::fread(bytes, 1, count, file) == count;
}

bool WalkAsfHeader(std::FILE *file, const AsfObjectVisit &visit) {
  uint8_t top[kHeaderObjectSize];
  if (!ReadAsfBytes(file, 0, top, sizeof(top)) || std::memcmp(top, kHeaderObject, 16) != 0) return false;
  return WalkObjects(file, kHeaderObjectSize, Le64(top + 16), Le32(top + 24), false, visit) != Walk::Damaged;
}

bool ReadAsfFileProperties(const std::string &path, AsfFileProperties *properties) {
  AsfFileHandle file(std::fopen(path.c_str(), "rb"));
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
  AsfFileHandle file(std::fopen(path.c_str(), "r+b"));
  AsfFileProperties properties;
  if (!file || !Find(file.get(), &properties) || properties.prerollMs > UINT64_MAX / 20000) return false;
  uint64_t play = duration + properties.prerollMs * 10000;
  uint8_t bytes[8];
  for (int i = 0; i < 8; ++i, play >>= 8) bytes[i] = static_cast<uint8_t>(play);
  return fseeko(file.get(), static_cast<off_t>(properties.playDurationOffset), SEEK_SET) == 0 &&
         std::fwrite(bytes, 1, sizeof(bytes), file.get()) == sizeof(bytes) && std::fflush(file.get()) == 0;
}

}  // namespace wmf
