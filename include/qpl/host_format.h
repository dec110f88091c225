/* The host format record: how a host application and a .qpl plug-in describe video
 * and optional audio to each other. Its layout is fixed to the byte on every build. */
#ifndef QPL_HOST_FORMAT_H
#define QPL_HOST_FORMAT_H

#include <stddef.h>

#include "win32.h"

enum : DWORD {
  kHostFormatVideo = 0x00000001,
  kHostFormatAudio = 0x00000002,
  kHostFormatImported = 0x01000000,  // set by the import together with kHostFormatVideo
  kHostFormatLongForm = 0x04000000,  // the record is the 128-byte long form
};

enum : size_t {
  kHostFormatLongSize = 128,
  kHostFormatShortSize = 76,
};

/* The leading 16 bytes of a WAVEFORMATEX: no cbSize, nothing after it. */
struct HostWaveFormat {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
};

struct HostFormat {
  DWORD flags;                  // kHostFormat* bits
  LONG frameCount;              // frames at frameRate
  LONG frameRate;               // frames per 1,000 seconds
  BITMAPINFOHEADER bitmap;      // one video frame
  LONG audioLength;             // sample frames at wave.nSamplesPerSec
  HostWaveFormat wave;
  DWORD audioBufferSize;        // bytes of the writer sample for one audio chunk
  LONG longWord76;              // at least 1 for an export; 1 when taken in the short form
  DWORD longWord80;             // 0 when taken in the long form
  DWORD longWord84;             // 1 when taken in the long form
  BYTE rest[40];                // copied, never interpreted
};

static_assert(sizeof(HostWaveFormat) == 16, "wave format is 16 bytes");
static_assert(sizeof(HostFormat) == kHostFormatLongSize, "host format record is 128 bytes");
static_assert(offsetof(HostFormat, flags) == 0, "layout");
static_assert(offsetof(HostFormat, frameCount) == 4, "layout");
static_assert(offsetof(HostFormat, frameRate) == 8, "layout");
static_assert(offsetof(HostFormat, bitmap) == 12, "layout");
static_assert(offsetof(HostFormat, bitmap.biWidth) == 16, "layout");
static_assert(offsetof(HostFormat, bitmap.biHeight) == 20, "layout");
static_assert(offsetof(HostFormat, bitmap.biPlanes) == 24, "layout");
static_assert(offsetof(HostFormat, bitmap.biBitCount) == 26, "layout");
static_assert(offsetof(HostFormat, bitmap.biCompression) == 28, "layout");
static_assert(offsetof(HostFormat, bitmap.biSizeImage) == 32, "layout");
static_assert(offsetof(HostFormat, bitmap.biXPelsPerMeter) == 36, "layout");
static_assert(offsetof(HostFormat, bitmap.biYPelsPerMeter) == 40, "layout");
static_assert(offsetof(HostFormat, bitmap.biClrUsed) == 44, "layout");
static_assert(offsetof(HostFormat, bitmap.biClrImportant) == 48, "layout");
static_assert(offsetof(HostFormat, audioLength) == 52, "layout");
static_assert(offsetof(HostFormat, wave.wFormatTag) == 56, "layout");
static_assert(offsetof(HostFormat, wave.nChannels) == 58, "layout");
static_assert(offsetof(HostFormat, wave.nSamplesPerSec) == 60, "layout");
static_assert(offsetof(HostFormat, wave.nAvgBytesPerSec) == 64, "layout");
static_assert(offsetof(HostFormat, wave.nBlockAlign) == 68, "layout");
static_assert(offsetof(HostFormat, wave.wBitsPerSample) == 70, "layout");
static_assert(offsetof(HostFormat, audioBufferSize) == 72, "layout");
static_assert(offsetof(HostFormat, longWord76) == 76, "layout");
static_assert(offsetof(HostFormat, longWord80) == 80, "layout");
static_assert(offsetof(HostFormat, longWord84) == 84, "layout");
static_assert(offsetof(HostFormat, rest) == 88, "layout");

#endif
