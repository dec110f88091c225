// Stream declarations, bit rates and exclusion groups from the ASF header.
#include "asf_streams.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "asf_header.h"

namespace wmf {

namespace {

// {B7DC0791-A9B7-11CF-8EE6-00C00C205365}
const uint8_t kStreamProperties[16] = {0x91, 0x07, 0xDC, 0xB7, 0xB7, 0xA9, 0xCF, 0x11,
                                       0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
// {14E6A5CB-C672-4332-8399-A96952065B5A}
const uint8_t kExtendedStreamProperties[16] = {0xCB, 0xA5, 0xE6, 0x14, 0x72, 0xC6, 0x32, 0x43,
                                               0x83, 0x99, 0xA9, 0x69, 0x52, 0x06, 0x5B, 0x5A};
// {7BF875CE-468D-11D1-8D82-006097C9A2B2}
const uint8_t kStreamBitrateProperties[16] = {0xCE, 0x75, 0xF8, 0x7B, 0x8D, 0x46, 0xD1, 0x11,
                                              0x8D, 0x82, 0x00, 0x60, 0x97, 0xC9, 0xA2, 0xB2};
// {D6E229DC-35DA-11D1-9034-00A0C90349BE}
const uint8_t kMutualExclusion[16] = {0xDC, 0x29, 0xE2, 0xD6, 0xDA, 0x35, 0xD1, 0x11,
                                      0x90, 0x34, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xBE};
// {A08649CF-4775-4670-8A16-6E35357566CD}
const uint8_t kAdvancedMutualExclusion[16] = {0xCF, 0x49, 0x86, 0xA0, 0x75, 0x47, 0x70, 0x46,
                                              0x8A, 0x16, 0x6E, 0x35, 0x35, 0x75, 0x66, 0xCD};
// {2211B3FB-BD23-11D2-B4B7-00A0C955FC6E}
const uint8_t kContentEncryption[16] = {0xFB, 0xB3, 0x11, 0x22, 0x23, 0xBD, 0xD2, 0x11,
                                        0xB4, 0xB7, 0x00, 0xA0, 0xC9, 0x55, 0xFC, 0x6E};
// {298AE614-2622-4C17-B935-DAE07EE9289C}
const uint8_t kExtendedContentEncryption[16] = {0x14, 0xE6, 0x8A, 0x29, 0x22, 0x26, 0x17, 0x4C,
                                                0xB9, 0x35, 0xDA, 0xE0, 0x7E, 0xE9, 0x28, 0x9C};

constexpr int64_t kBodyAt = 24;  // past the object's GUID and size
// Stream Properties: stream type, error correction type, time offset and two
// lengths, then the flags whose low 7 bits are the stream number.
constexpr int64_t kStreamFlagsAt = kBodyAt + 48;
// Extended Stream Properties: start and end time, then the data bit rate; the stream
// number follows seven more 32-bit fields.
constexpr int64_t kDataBitrateAt = kBodyAt + 16;
constexpr int64_t kExtendedNumberAt = kBodyAt + 48;
// (Advanced) Mutual Exclusion: exclusion type, then a count and the stream numbers.
constexpr int64_t kExclusionCountAt = kBodyAt + 16;
constexpr uint64_t kMaxListedObject = 1 << 16;  // a count is 16 bits: no list is longer
constexpr int kStreamNumberMask = 0x7F;

bool Same(const uint8_t *guid, const uint8_t (&known)[16]) { return std::memcmp(guid, known, 16) == 0; }

void Add(std::vector<int> *list, int number) {
  if (number > 0 && std::find(list->begin(), list->end(), number) == list->end()) list->push_back(number);
}

}  // namespace

bool AsfStreams::Plays(int number) const {
  return std::find(declared.begin(), declared.end(), number) != declared.end() &&
         std::find(excluded.begin(), excluded.end(), number) == excluded.end();
}

bool ReadAsfStreams(const std::string &path, AsfStreams *streams) {
  AsfFileHandle file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  *streams = AsfStreams();
  std::map<int, uint32_t> listedRates, extendedRates;
  std::vector<std::vector<int>> groups;
  std::vector<uint8_t> body;
  const bool read = WalkAsfHeader(file.get(), [&](const uint8_t *guid, int64_t at, uint64_t size) {
    if (Same(guid, kContentEncryption) || Same(guid, kExtendedContentEncryption)) {
      streams->isProtected = true;
      return true;
    }
    const bool wanted = Same(guid, kStreamProperties) || Same(guid, kExtendedStreamProperties) ||
                        Same(guid, kStreamBitrateProperties) || Same(guid, kMutualExclusion) ||
                        Same(guid, kAdvancedMutualExclusion);
    if (!wanted) return true;
    // What is read of an object ends at its own size: a short one adds nothing.
    body.assign(static_cast<size_t>(std::min(size, kMaxListedObject)), 0);
    if (!ReadAsfBytes(file.get(), at, body.data(), body.size())) return true;
    const uint8_t *bytes = body.data();
    const size_t length = body.size();
    if (Same(guid, kStreamProperties)) {
      if (length >= kStreamFlagsAt + 2) Add(&streams->declared, Le16(bytes + kStreamFlagsAt) & kStreamNumberMask);
    } else if (Same(guid, kExtendedStreamProperties)) {
      if (length < kExtendedNumberAt + 2) return true;
      const int number = Le16(bytes + kExtendedNumberAt) & kStreamNumberMask;
      Add(&streams->declared, number);
      extendedRates[number] = Le32(bytes + kDataBitrateAt);
    } else if (Same(guid, kStreamBitrateProperties)) {
      const size_t count = length >= kBodyAt + 2 ? Le16(bytes + kBodyAt) : 0;
      for (size_t i = 0, at = kBodyAt + 2; i < count && at + 6 <= length; ++i, at += 6)
        listedRates[Le16(bytes + at) & kStreamNumberMask] = Le32(bytes + at + 2);
    } else {
      std::vector<int> group;
      const size_t count = length >= kExclusionCountAt + 2 ? Le16(bytes + kExclusionCountAt) : 0;
      for (size_t i = 0, at = kExclusionCountAt + 2; i < count && at + 2 <= length; ++i, at += 2)
        Add(&group, Le16(bytes + at) & kStreamNumberMask);
      groups.push_back(group);
    }
    return true;
  });
  if (!read) return false;
  // The Stream Bitrate Properties object is the header's account of each stream's
  // rate; the extended properties' data rate stands in where it says nothing.
  auto rateOf = [&](int number) -> uint32_t {
    const auto listed = listedRates.find(number);
    if (listed != listedRates.end()) return listed->second;
    const auto extended = extendedRates.find(number);
    return extended != extendedRates.end() ? extended->second : 0;
  };
  for (const std::vector<int> &group : groups) {
    int chosen = -1;
    for (int number : group)
      if (streams->Plays(number) && (chosen < 0 || rateOf(number) > rateOf(chosen))) chosen = number;
    for (int number : group)
      if (number != chosen) Add(&streams->excluded, number);
  }
  return true;
}

}  // namespace wmf
