// Test support for the writer tests.
#include "writer_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "files.h"

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
  return writer->WriteSample(input, time, 0, sample.Get());
}

HRESULT WriteBytes(const ComPtr<IWMWriter> &writer, DWORD input, QWORD time, const std::vector<BYTE> &data) {
  return WriteBytes(writer, input, time, data.data(), static_cast<DWORD>(data.size()));
}

ComPtr<IWMWriter> CreateVideoWriter(DWORD systemProfile, const std::string &path, OwnedType &video, DWORD *input) {
  ComPtr<IWMWriter> writer = CreateWriter(systemProfile, path);
  if (writer) {
    const HRESULT declared = DeclareInput(writer, WMMEDIATYPE_Video, video, input);
    EXPECT_EQ(S_OK, declared);
    if (FAILED(declared)) writer.Reset();
  }
  return ComPtr<IWMWriter>(writer.Detach());
}

HRESULT WritePatternFrames(const ComPtr<IWMWriter> &writer, DWORD input, int first, int count, LONG width,
                           LONG height) {
  HRESULT hr = S_OK;
  for (int i = first; SUCCEEDED(hr) && i < first + count; ++i)
    hr = WriteBytes(writer, input, i * 333333ull, PatternDibRows(i, width, height));
  return hr;
}

std::string TempPath(const std::string &name) {
  static testsupport::TempFolder folder("qv-wmf-writer");
  return folder / name;
}

}  // namespace writer_test
