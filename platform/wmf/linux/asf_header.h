// The ASF header's File Properties object, read and amended in place without a
// demuxer: the platform reports a file's "Duration" from it, whatever the packets
// after it hold, and FFmpeg's muxer can only write it in whole milliseconds.
#ifndef QV_WMF_ASF_HEADER_H
#define QV_WMF_ASF_HEADER_H

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace wmf {

struct AsfFileProperties {
  uint64_t playDuration = 0;  // 100 ns units, the preroll included
  uint64_t prerollMs = 0;
  uint32_t flags = 0;         // bit 0: broadcast (durations not valid)
  int64_t playDurationOffset = -1;  // where the play duration lies in the file
};

inline uint16_t Le16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t Le32(const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
inline uint64_t Le64(const uint8_t *p) { return Le32(p) | static_cast<uint64_t>(Le32(p + 4)) << 32; }

struct AsfFileCloser {
  void operator()(std::FILE *file) const { std::fclose(file); }
};
using AsfFileHandle = std::unique_ptr<std::FILE, AsfFileCloser>;

// `count` bytes of the file from `at`; false when they cannot all be read.
bool ReadAsfBytes(std::FILE *file, int64_t at, uint8_t *bytes, size_t count);

// Calls `visit` with each header object in file order, those inside the Header
// Extension too: its GUID, where it starts in the file and its whole size. `visit`
// returns false to stop. False when the file has no readable header.
using AsfObjectVisit = std::function<bool(const uint8_t *guid, int64_t at, uint64_t size)>;
bool WalkAsfHeader(std::FILE *file, const AsfObjectVisit &visit);

// Finds the File Properties object in the header of the ASF file at `path`; false
// when the file has no readable header or no such object.
bool ReadAsfFileProperties(const std::string &path, AsfFileProperties *properties);

// The file's length as the platform reports it: play duration less preroll. False
// when the header gives none (a broadcast file, or no play duration).
bool DurationOf(const AsfFileProperties &properties, uint64_t *duration);

// Makes the header of the file at `path` say it lasts `duration` (100 ns units,
// preroll not included). False when the header cannot be found or written.
bool WriteAsfDuration(const std::string &path, uint64_t duration);

}  // namespace wmf

#endif
