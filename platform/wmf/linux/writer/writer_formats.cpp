// Input formats of the writer.
#include "writer_formats.h"

#include <cstdlib>

namespace wmf {

namespace {
constexpr LONG kLargestSide = 4096;
constexpr REFERENCE_TIME kDefaultFrameDuration = 333333;  // 30 frames per second
}  // namespace

HRESULT CheckVideoInput(const MediaType &type) {
  const VIDEOINFOHEADER *info = type.VideoInfo();
  if (!type.IsVideo() || type.Type().subtype != WMMEDIASUBTYPE_RGB24 || !info) return NS_E_INVALID_INPUT_FORMAT;
  const BITMAPINFOHEADER &bitmap = info->bmiHeader;
  if (bitmap.biBitCount != 24 || bitmap.biCompression != BI_RGB) return NS_E_INVALID_INPUT_FORMAT;
  if (bitmap.biWidth <= 0 || bitmap.biWidth > kLargestSide) return NS_E_INVALID_INPUT_FORMAT;
  if (bitmap.biHeight == 0 || bitmap.biHeight < -kLargestSide || bitmap.biHeight > kLargestSide)
    return NS_E_INVALID_INPUT_FORMAT;
  if (info->AvgTimePerFrame < 0) return NS_E_INVALID_INPUT_FORMAT;
  return S_OK;
}

HRESULT CheckAudioInput(const MediaType &type) {
  const WAVEFORMATEX *wave = type.WaveFormat();
  if (!type.IsAudio() || type.Type().subtype != WMMEDIASUBTYPE_PCM || !wave) return NS_E_INVALID_INPUT_FORMAT;
  if (wave->wFormatTag != WAVE_FORMAT_PCM) return NS_E_INVALID_INPUT_FORMAT;
  if (wave->nChannels != 1 && wave->nChannels != 2) return NS_E_INVALID_INPUT_FORMAT;
  if (wave->wBitsPerSample != 8 && wave->wBitsPerSample != 16) return NS_E_INVALID_INPUT_FORMAT;
  switch (wave->nSamplesPerSec) {
    case 11025:
    case 22050:
    case 44100:
      return S_OK;
  }
  return NS_E_INVALID_INPUT_FORMAT;
}

REFERENCE_TIME FrameDurationOf(const VIDEOINFOHEADER &format) {
  return format.AvgTimePerFrame > 0 ? format.AvgTimePerFrame : kDefaultFrameDuration;
}

MediaType DefaultVideoInput() {
  VIDEOINFOHEADER info{};
  info.rcSource = info.rcTarget = RECT{0, 0, 320, 240};
  info.AvgTimePerFrame = kDefaultFrameDuration;
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 320;
  info.bmiHeader.biHeight = 240;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = 320 * 3 * 240;
  info.dwBitRate = info.bmiHeader.biSizeImage * 8 * 30;
  return MediaType::Video(WMMEDIASUBTYPE_RGB24, info);
}

MediaType DefaultAudioInput() {
  WAVEFORMATEX wave{};
  wave.wFormatTag = WAVE_FORMAT_PCM;
  wave.nChannels = 2;
  wave.nSamplesPerSec = 44100;
  wave.wBitsPerSample = 16;
  wave.nBlockAlign = 4;
  wave.nAvgBytesPerSec = 44100 * 4;
  return MediaType::Audio(wave);
}

}  // namespace wmf
