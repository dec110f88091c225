// The ASF header's File Properties object, read and amended in place without a
// demuxer: the platform reports a file's "Duration" from it, whatever the packets
// after it hold, and FFmpeg's muxer can only write it in whole milliseconds.
#ifndef QV_WMF_ASF_HEADER_H
#define QV_WMF_ASF_HEADER_H

#include <cstdint>
#include <string>

namespace wmf {

struct AsfFileProperties {
  uint64_t playDuration = 0;  // 100 ns units, the preroll included
  uint64_t prerollMs = 0;
  uint32_t flags = 0;         // bit 0: broadcast (durations not valid)
  int64_t playDurationOffset = -1;  // where the play duration lies in the file
};

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
