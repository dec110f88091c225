// Host format records and packed DIBs as a host builds them for an export.
#ifndef QV_TESTS_EXPORT_RECORDS_H
#define QV_TESTS_EXPORT_RECORDS_H

#include <cstring>
#include <vector>

#include "qpl/host_format.h"
#include "test_pattern.h"

// The short-form record of the worked example: video and audio, 300 frames of
// 320 x 240 at 30 frames/s, image size 0, 441,000 sample frames of 44.1 kHz 16-bit
// stereo, 17,640-byte audio chunks.
inline HostFormat WorkedExampleRecord() {
  HostFormat f = {};
  f.flags = kHostFormatVideo | kHostFormatAudio;
  f.frameCount = 300;
  f.frameRate = 30000;
  f.bitmap.biSize = 40;
  f.bitmap.biWidth = 320;
  f.bitmap.biHeight = 240;
  f.bitmap.biPlanes = 1;
  f.bitmap.biBitCount = 24;
  f.audioLength = 441000;
  f.wave = {WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16};
  f.audioBufferSize = 17640;
  return f;
}

// The first 76 bytes only, in a buffer of exactly that size, as a short-form host
// would hand it over.
inline std::vector<BYTE> ShortForm(const HostFormat &f) {
  const BYTE *p = reinterpret_cast<const BYTE *>(&f);
  return std::vector<BYTE>(p, p + kHostFormatShortSize);
}

inline std::vector<BYTE> LongForm(HostFormat f) {
  f.flags |= kHostFormatLongForm;
  const BYTE *p = reinterpret_cast<const BYTE *>(&f);
  return std::vector<BYTE>(p, p + kHostFormatLongSize);
}

using testsupport::NumberedDib;

#endif
