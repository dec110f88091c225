// Host format records and packed DIBs as a host builds them for an export.
#ifndef QV_TESTS_EXPORT_RECORDS_H
#define QV_TESTS_EXPORT_RECORDS_H

#include <cstdlib>
#include <string>
#include <vector>

#include "qpl/host_format.h"

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

// A packed DIB of the record's size whose pixel bytes count up from `seed`.
inline std::vector<BYTE> NumberedDib(LONG width, LONG height, BYTE seed) {
  size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t(3);
  std::vector<BYTE> dib(40 + stride * static_cast<size_t>(height));
  BITMAPINFOHEADER h = {40, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  memcpy(dib.data(), &h, sizeof(h));
  for (size_t i = 40; i < dib.size(); ++i) dib[i] = static_cast<BYTE>(seed + i);
  return dib;
}

// Points the registry at a file of the test's own, so that saved settings never leak
// between tests or into the user's settings.
inline void UseFreshRegistry(const std::string &name) {
  std::string folder = ::testing::TempDir() + "qv-" + name;
  std::string file = folder + "/user.reg";
  std::string command = "mkdir -p '" + folder + "' && rm -f '" + file + "'";
  if (std::system(command.c_str()) != 0) ADD_FAILURE() << "cannot prepare " << folder;
  setenv("QV_WIN32_REGISTRY", file.c_str(), 1);
}

#endif
