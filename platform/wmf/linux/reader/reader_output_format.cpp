// Output media types of the reader.
#include "reader_output_format.h"

#include <cstdlib>
#include <cstring>

#include "dib/geometry.h"

namespace wmf {

VideoOutputKind VideoOutputKindFromEnvironment() {
  const char *value = std::getenv(QV_WMF_VIDEO_OUTPUT_VARIABLE);
  if (!value) return VideoOutputKind::Rgb24;
  if (std::strcmp(value, "rgb32") == 0) return VideoOutputKind::Rgb32;
  if (std::strcmp(value, "rgb555") == 0) return VideoOutputKind::Rgb555;
  if (std::strcmp(value, "rgb8") == 0) return VideoOutputKind::Rgb8;
  return VideoOutputKind::Rgb24;
}

WORD BitCount(VideoOutputKind kind) {
  switch (kind) {
    case VideoOutputKind::Rgb32: return 32;
    case VideoOutputKind::Rgb555: return 16;
    case VideoOutputKind::Rgb8: return 8;
    case VideoOutputKind::Rgb24: break;
  }
  return 24;
}

void Rgb8Palette(RGBQUAD palette[256]) {
  for (int i = 0; i < 256; ++i) {
    palette[i].rgbRed = static_cast<BYTE>((i & 7) * 255 / 7);
    palette[i].rgbGreen = static_cast<BYTE>(((i >> 3) & 7) * 255 / 7);
    palette[i].rgbBlue = static_cast<BYTE>(((i >> 6) & 3) * 255 / 3);
    palette[i].rgbReserved = 0;
  }
}

static const GUID &Subtype(VideoOutputKind kind) {
  switch (kind) {
    case VideoOutputKind::Rgb32: return WMMEDIASUBTYPE_RGB32;
    case VideoOutputKind::Rgb555: return WMMEDIASUBTYPE_RGB555;
    case VideoOutputKind::Rgb8: return WMMEDIASUBTYPE_RGB8;
    case VideoOutputKind::Rgb24: break;
  }
  return WMMEDIASUBTYPE_RGB24;
}

MediaType VideoOutputType(VideoOutputKind kind, LONG width, LONG height, REFERENCE_TIME timePerFrame,
                          DWORD bitRate) {
  VIDEOINFOHEADER info{};
  info.rcSource = {0, 0, width, height};
  info.rcTarget = {0, 0, width, height};
  info.dwBitRate = bitRate;
  info.AvgTimePerFrame = timePerFrame;
  BITMAPINFOHEADER &bmi = info.bmiHeader;
  bmi.biSize = sizeof(BITMAPINFOHEADER);
  bmi.biWidth = width;
  bmi.biHeight = height;
  bmi.biPlanes = 1;
  bmi.biBitCount = BitCount(kind);
  bmi.biCompression = BI_RGB;
  bmi.biSizeImage = DWORD(dib::ImageBytes(uint64_t(width), bmi.biBitCount, uint64_t(height)));
  if (kind != VideoOutputKind::Rgb8) return MediaType::Video(Subtype(kind), info);
  RGBQUAD palette[256];
  Rgb8Palette(palette);
  bmi.biClrUsed = 256;
  return MediaType::Video(Subtype(kind), info, palette, 256);
}

MediaType AudioOutputType(DWORD samplesPerSecond, WORD channels) {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = channels;
  format.nSamplesPerSec = samplesPerSecond;
  format.wBitsPerSample = 16;
  format.nBlockAlign = static_cast<WORD>(channels * 2);
  format.nAvgBytesPerSec = samplesPerSecond * format.nBlockAlign;
  return MediaType::Audio(format);
}

}  // namespace wmf
