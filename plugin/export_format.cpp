// The export's format judgement and the numbers derived from the host format record.
#include "export_format.h"

#include <limits.h>

#include "dib/geometry.h"

namespace {

// A frame and its 40-byte header must stay addressable by a signed 32-bit size.
constexpr ULONGLONG kMaxImageSize = 0x7FFFFFFFull - sizeof(BITMAPINFOHEADER);

bool FrameDimensionsUsable(const BITMAPINFOHEADER &bitmap) {
  if (bitmap.biWidth <= 0 || bitmap.biHeight <= 0) return false;
  return dib::ImageBytes(ULONGLONG(bitmap.biWidth), 24, ULONGLONG(bitmap.biHeight)) <= kMaxImageSize &&
         bitmap.biSizeImage <= kMaxImageSize;
}

bool AcceptableAudio(const HostFormat &format) {
  const HostWaveFormat &wave = format.wave;
  if (format.audioLength <= 0) return false;
  if (wave.wBitsPerSample != 8 && wave.wBitsPerSample != 16) return false;
  if (wave.wFormatTag != WAVE_FORMAT_PCM || wave.nChannels == 0) return false;
  if (wave.nSamplesPerSec != 11025 && wave.nSamplesPerSec != 22050 && wave.nSamplesPerSec != 44100) return false;
  // Audio positions advance by bytes / nBlockAlign: a zero alignment cannot be timed.
  return wave.nBlockAlign != 0;
}

}  // namespace

void TakeHostFormat(HostFormat *copy, const BYTE *record) {
  DWORD flags;
  memcpy(&flags, record, sizeof(flags));
  if (flags & kHostFormatLongForm) {
    memcpy(copy, record, kHostFormatLongSize);
    copy->longWord80 = 0;
    copy->longWord84 = 1;
  } else {
    memset(copy, 0, kHostFormatLongSize);
    memcpy(copy, record, kHostFormatShortSize);
    copy->longWord76 = 1;
  }
}

bool AcceptableExportFormat(const HostFormat &format) {
  if (format.longWord76 < 1) return false;
  if (!(format.flags & kHostFormatVideo)) return false;
  // A negative frame rate would run time backwards.
  if (format.frameCount <= 0 || format.frameRate <= 0) return false;
  const BITMAPINFOHEADER &bitmap = format.bitmap;
  if (bitmap.biSize == 0 || bitmap.biWidth == 0 || bitmap.biHeight == 0) return false;
  if (bitmap.biPlanes != 1 || bitmap.biBitCount != 24 || bitmap.biCompression != BI_RGB) return false;
  if (!FrameDimensionsUsable(bitmap)) return false;
  return !(format.flags & kHostFormatAudio) || AcceptableAudio(format);
}

bool KeepsWriterInputs(const HostFormat &open, const HostFormat &next) {
  // An image size of 0 stands for the computed one on either side.
  HostFormat was = open, now = next;
  SettleImageSize(&was);
  SettleImageSize(&now);
  const BITMAPINFOHEADER &a = was.bitmap, &b = now.bitmap;
  if (a.biWidth != b.biWidth || a.biHeight != b.biHeight || a.biBitCount != b.biBitCount ||
      a.biSizeImage != b.biSizeImage)
    return false;
  if ((open.flags & kHostFormatAudio) != (next.flags & kHostFormatAudio)) return false;
  if (!(open.flags & kHostFormatAudio)) return true;
  const HostWaveFormat &x = open.wave, &y = next.wave;
  return x.wFormatTag == y.wFormatTag && x.nChannels == y.nChannels && x.nSamplesPerSec == y.nSamplesPerSec &&
         x.nBlockAlign == y.nBlockAlign && x.wBitsPerSample == y.wBitsPerSample;
}

DWORD FrameRowsSize(const BITMAPINFOHEADER &bitmap) {
  return DWORD(dib::ImageBytes(ULONGLONG(bitmap.biWidth), 24, ULONGLONG(bitmap.biHeight)));
}

bool SettleImageSize(HostFormat *format) {
  BITMAPINFOHEADER &bitmap = format->bitmap;
  if (!FrameDimensionsUsable(bitmap)) return false;
  // The host's picture holds no more than its rows, whatever larger size it names.
  DWORD rows = FrameRowsSize(bitmap);
  if (bitmap.biSizeImage == 0 || bitmap.biSizeImage > rows) bitmap.biSizeImage = rows;
  return true;
}

LONGLONG VideoFrameTime(LONG frame, LONG frameRate) {
  // frame x 10^10 / rate, in two steps of 10^5: frame x 10^10 itself needs more than
  // 64 bits for the largest frame numbers. At the slowest rates a late frame's time
  // is past every stamp.
  LONGLONG scaled = static_cast<LONGLONG>(frame) * 100000;
  LONGLONG whole = scaled / frameRate;
  if (whole > (LLONG_MAX - 99999) / 100000) return -1;
  return whole * 100000 + scaled % frameRate * 100000 / frameRate;
}

LONGLONG AudioSampleTime(LONG sample, DWORD samplesPerSecond) {
  return static_cast<LONGLONG>(sample) * 10000000LL / static_cast<LONGLONG>(samplesPerSecond);
}

DWORD VideoBitRate(LONG frameRate, DWORD imageSize) {
  return static_cast<DWORD>(static_cast<LONGLONG>(frameRate) * imageSize / 1000 * 8);
}
