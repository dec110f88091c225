// The runtime's version-7.0 system profiles: names in the platform's published order,
// with the bit rates this runtime encodes them at.
//
// The platform's profiles also fix frame sizes, frame rates and audio formats, which
// are not public. This runtime keeps the size and rate of the video and the sample
// rate and channels of the audio that the writer's inputs declare, and takes only the
// bit rates from the profile. Windows Media Audio here needs at least 24 kbps, so the
// smallest profiles carry 24 kbps audio even where their nominal total is lower.
#ifndef QV_WMF_PROFILE_CATALOG_H
#define QV_WMF_PROFILE_CATALOG_H

#include <cstddef>

#include "wmf.h"

namespace wmf {

struct SystemProfileEntry {
  const char16_t *name;
  DWORD videoBitrate;  // bits per second; 0: the profile has no video stream
  DWORD audioBitrate;  // bits per second; 0: the profile has no audio stream
};

// The list that SetSystemProfileVersion(version) selects; empty for versions other
// than 7.0.
const SystemProfileEntry *SystemProfiles(WMT_VERSION version, size_t *count);

}  // namespace wmf

#endif
