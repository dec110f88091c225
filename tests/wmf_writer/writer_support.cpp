// Test support for the writer tests.
#include "writer_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "temp_folder.h"

namespace writer_test {

DWORD StrideOf(LONG width) { return (static_cast<DWORD>(width) * 3 + 3) & ~3u; }

OwnedType VideoType(LONG width, LONG height, REFERENCE_TIME frameDuration) {
  OwnedType t;
  VIDEOINFOHEADER info{};
  info.rcSource = info.rcTarget = RECT{0, 0, width, height};
  info.AvgTimePerFrame = frameDuration;
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biSizeImage = StrideOf(width) * static_cast<DWORD>(std::labs(height));
  t.type.majortype = WMMEDIATYPE_Video;
  t.type.subtype = WMMEDIASUBTYPE_RGB24;
  t.type.bFixedSizeSamples = TRUE;
  t.type.lSampleSize = info.bmiHeader.biSizeImage;
  t.type.formattype = WMFORMAT_VideoInfo;
  const BYTE *p = reinterpret_cast<const BYTE *>(&info);
  t.format.assign(p, p + sizeof(info));
  return t;
}

OwnedType AudioType(DWORD rate, WORD channels, WORD bits) {
  OwnedType t;
  WAVEFORMATEX wave{};
  wave.wFormatTag = WAVE_FORMAT_PCM;
  wave.nChannels = channels;
  wave.nSamplesPerSec = rate;
  wave.wBitsPerSample = bits;
  wave.nBlockAlign = static_cast<WORD>(channels * bits / 8);
  wave.nAvgBytesPerSec = rate * wave.nBlockAlign;
  t.type.majortype = WMMEDIATYPE_Audio;
  t.type.subtype = WMMEDIASUBTYPE_PCM;
  t.type.bFixedSizeSamples = TRUE;
  t.type.lSampleSize = wave.nBlockAlign;
  t.type.formattype = WMFORMAT_WaveFormatEx;
  const BYTE *p = reinterpret_cast<const BYTE *>(&wave);
  t.format.assign(p, p + sizeof(wave));
  return t;
}

ComPtr<IWMWriter> CreateWriter(DWORD systemProfile, const std::string &path) {
  ComPtr<IWMProfileManager> manager;
  EXPECT_EQ(S_OK, WMCreateProfileManager(manager.Put()));
  if (!manager) return ComPtr<IWMWriter>();
  ComPtr<IWMProfile> profile;
  EXPECT_EQ(S_OK, manager->LoadSystemProfile(systemProfile, profile.Put()));
  EXPECT_EQ(0u, ReleaseNow(manager));
  if (!profile) return ComPtr<IWMWriter>();
  IWMWriter *writer = nullptr;
  EXPECT_EQ(S_OK, WMCreateWriterPriv(&writer));
  if (writer) {
    EXPECT_EQ(S_OK, writer->SetProfile(profile.Get()));
    std::u16string name(path.begin(), path.end());
    EXPECT_EQ(S_OK, writer->SetOutputFilename(name.c_str()));
  }
  EXPECT_EQ(0u, ReleaseNow(profile));
  return ComPtr<IWMWriter>(writer);
}

HRESULT DeclareInput(const ComPtr<IWMWriter> &writer, const GUID &major, OwnedType &type, DWORD *inputNumber) {
  DWORD count = 0;
  HRESULT hr = writer->GetInputCount(&count);
  for (DWORD i = 0; SUCCEEDED(hr) && i < count; ++i) {
    ComPtr<IWMInputMediaProps> props;
    hr = writer->GetInputProps(i, props.Put());
    GUID kind{};
    if (FAILED(hr) || FAILED(props->GetType(&kind)) || kind != major) continue;
    hr = props->SetMediaType(type.Get());
    if (SUCCEEDED(hr)) hr = writer->SetInputProps(i, props.Get());
    if (inputNumber) *inputNumber = i;
    return hr;
  }
  return FAILED(hr) ? hr : E_INVALIDARG;
}

HRESULT WriteBytes(const ComPtr<IWMWriter> &writer, DWORD input, QWORD time, const BYTE *data, DWORD length) {
  ComPtr<INSSBuffer> sample;
  HRESULT hr = writer->AllocateSample(length, sample.Put());
  if (FAILED(hr)) return hr;
  BYTE *buffer = nullptr;
  DWORD ignored = 0;
  sample->GetBufferAndLength(&buffer, &ignored);
  if (length) std::memcpy(buffer, data, length);
  sample->SetLength(length);
  hr = writer->WriteSample(input, time, 0, sample.Get());
  EXPECT_EQ(0u, ReleaseNow(sample));
  return hr;
}

std::vector<BYTE> PatternFrame(int index, LONG width, LONG height) {
  const DWORD stride = StrideOf(width);
  std::vector<BYTE> image(stride * height, 0);
  const int box = static_cast<int>(height / 4);
  const int boxX = (index * 3) % (width - box);
  const int boxY = (index * 2) % (height - box);
  for (LONG row = 0; row < height; ++row) {
    const LONG y = height - 1 - row;  // rows are stored bottom-up
    BYTE *line = &image[row * stride];
    for (LONG x = 0; x < width; ++x) {
      BYTE b = static_cast<BYTE>((x * 255) / width);
      BYTE g = static_cast<BYTE>((y * 255) / height);
      BYTE r = static_cast<BYTE>((128 + index * 2 + (x + y) / 4) & 0xff);
      if (x >= boxX && x < boxX + box && y >= boxY && y < boxY + box) b = g = r = 235;
      line[x * 3] = b;
      line[x * 3 + 1] = g;
      line[x * 3 + 2] = r;
    }
  }
  return image;
}

short ToneSample(long long index, int channel, DWORD rate) {
  // A slow rise in pitch, so that no shift of the sound matches it but the true one.
  const double start = channel == 0 ? 440.0 : 660.0, rise = 30.0;
  const double t = static_cast<double>(index) / rate;
  return static_cast<short>(8000.0 * std::sin(2.0 * M_PI * (start * t + rise * t * t / 2)));
}

std::vector<BYTE> ToneChunk(long long first, int samples, DWORD rate) {
  std::vector<BYTE> chunk(static_cast<size_t>(samples) * 4);
  for (int i = 0; i < samples; ++i)
    for (int c = 0; c < 2; ++c) {
      const short s = ToneSample(first + i, c, rate);
      std::memcpy(&chunk[(static_cast<size_t>(i) * 2 + c) * 2], &s, 2);
    }
  return chunk;
}

std::string TempPath(const std::string &name) {
  static testsupport::TempFolder folder("qv-wmf-writer");
  return folder / name;
}

}  // namespace writer_test
