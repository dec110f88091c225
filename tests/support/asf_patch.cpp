#include "asf_patch.h"

#include <algorithm>
#include <vector>

#include "files.h"

namespace testsupport {
namespace {

// The File Properties object's GUID as stored, and its fields' offsets from the
// object's start (after the 24-byte object header: file ID, file size, creation date,
// data packets count come first).
constexpr uint8_t kFileProperties[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                         0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr size_t kPlayDurationAt = 64;
constexpr size_t kPrerollAt = 80;  // milliseconds
constexpr size_t kFlagsAt = 88;
constexpr size_t kObjectSize = 104;

uint64_t Le64(const uint8_t *at) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = value << 8 | at[i];
  return value;
}

template <typename Change>
bool CopyPatched(const std::string &from, const std::string &to, Change change) {
  std::vector<uint8_t> bytes = ReadFileBytes(from);
  const auto found = std::search(bytes.begin(), bytes.end(), kFileProperties, kFileProperties + 16);
  if (bytes.end() - found < static_cast<std::ptrdiff_t>(kObjectSize)) return false;
  change(&*found);
  return WriteFileBytes(to, bytes);
}

}  // namespace

bool CopyWithAsfDuration(const std::string &from, const std::string &to, uint64_t duration) {
  return CopyPatched(from, to, [duration](uint8_t *object) {
    const uint64_t prerollMs = Le64(object + kPrerollAt);
    const uint64_t preroll = prerollMs > UINT64_MAX / 10000 ? UINT64_MAX : prerollMs * 10000;
    uint64_t play = duration > UINT64_MAX - preroll ? UINT64_MAX : duration + preroll;
    for (size_t i = 0; i < 8; ++i, play >>= 8) object[kPlayDurationAt + i] = static_cast<uint8_t>(play);
  });
}

bool CopyAsAsfBroadcast(const std::string &from, const std::string &to) {
  return CopyPatched(from, to, [](uint8_t *object) { object[kFlagsAt] |= 1; });
}

}  // namespace testsupport
