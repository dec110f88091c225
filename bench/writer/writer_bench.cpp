// Encode rate through IWMWriter against the ffmpeg CLI, both turning the same
// 640x480 RGB24 frames into Windows Media Video 7 (wmv1) at the same bit rate with a
// key frame a second. Each side runs several times; the medians are compared.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "wmf.h"

namespace {

constexpr LONG kWidth = 640, kHeight = 480;
constexpr DWORD kStride = kWidth * 3;
constexpr DWORD kBitrate = 1872000;  // the video stream of "Video for broadband NTSC (2 Mbps total)"

std::vector<BYTE> Frame(int index) {
  std::vector<BYTE> image(kStride * kHeight);
  for (LONG y = 0; y < kHeight; ++y)
    for (LONG x = 0; x < kWidth; ++x) {
      BYTE *p = &image[y * kStride + x * 3];
      p[0] = static_cast<BYTE>(x + index * 3);
      p[1] = static_cast<BYTE>(y * 2 - index);
      p[2] = static_cast<BYTE>((x ^ y) + index);
    }
  return image;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// A profile with one video stream at the benchmark's bit rate.
IWMProfile *VideoProfile() {
  IWMProfileManager *manager = nullptr;
  if (WMCreateProfileManager(&manager) != S_OK) return nullptr;
  IWMProfile *profile = nullptr;
  IWMStreamConfig *stream = nullptr;
  bool ok = manager->CreateEmptyProfile(WMT_VER_7_0, &profile) == S_OK &&
            profile->CreateNewStream(WMMEDIATYPE_Video, &stream) == S_OK && stream->SetStreamNumber(1) == S_OK &&
            stream->SetBitrate(kBitrate) == S_OK && profile->AddStream(stream) == S_OK;
  if (stream) stream->Release();
  manager->Release();
  if (!ok && profile) {
    profile->Release();
    profile = nullptr;
  }
  return profile;
}

double WriterRun(const std::vector<std::vector<BYTE>> &frames, const std::string &path) {
  IWMProfile *profile = VideoProfile();
  IWMWriter *writer = nullptr;
  if (!profile || WMCreateWriterPriv(&writer) != S_OK) return -1;
  writer->SetProfile(profile);
  profile->Release();
  const std::u16string name(path.begin(), path.end());
  writer->SetOutputFilename(name.c_str());

  VIDEOINFOHEADER info{};
  info.rcSource = info.rcTarget = RECT{0, 0, kWidth, kHeight};
  info.AvgTimePerFrame = 333333;
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biWidth = kWidth;
  info.bmiHeader.biHeight = kHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biSizeImage = kStride * kHeight;
  WM_MEDIA_TYPE type{};
  type.majortype = WMMEDIATYPE_Video;
  type.subtype = WMMEDIASUBTYPE_RGB24;
  type.bFixedSizeSamples = TRUE;
  type.lSampleSize = info.bmiHeader.biSizeImage;
  type.formattype = WMFORMAT_VideoInfo;
  type.cbFormat = sizeof(info);
  type.pbFormat = reinterpret_cast<BYTE *>(&info);
  IWMInputMediaProps *props = nullptr;
  writer->GetInputProps(0, &props);
  props->SetMediaType(&type);
  HRESULT hr = writer->SetInputProps(0, props);
  props->Release();

  const auto start = std::chrono::steady_clock::now();
  if (hr == S_OK) hr = writer->BeginWriting();
  for (size_t i = 0; hr == S_OK && i < frames.size(); ++i) {
    INSSBuffer *sample = nullptr;
    BYTE *buffer = nullptr;
    DWORD length = 0;
    writer->AllocateSample(info.bmiHeader.biSizeImage, &sample);
    sample->GetBufferAndLength(&buffer, &length);
    std::memcpy(buffer, frames[i].data(), frames[i].size());
    sample->SetLength(info.bmiHeader.biSizeImage);
    hr = writer->WriteSample(0, i * 10000000000ull / 30000, 0, sample);
    sample->Release();
  }
  if (hr == S_OK) hr = writer->EndWriting();
  const double elapsed = Seconds(start);
  writer->Release();
  return hr == S_OK ? elapsed : -1;
}

double CliRun(const std::string &raw, const std::string &path) {
  const std::string command = "ffmpeg -v error -y -f rawvideo -pix_fmt bgr24 -s 640x480 -r 30 -i '" + raw +
                              "' -c:v wmv1 -b:v " + std::to_string(kBitrate) + " -g 30 -f asf '" + path + "'";
  const auto start = std::chrono::steady_clock::now();
  const int status = std::system(command.c_str());
  const double elapsed = Seconds(start);
  return status == 0 ? elapsed : -1;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char **argv) {
  const int frameCount = argc > 1 ? std::atoi(argv[1]) : 300;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  if (frameCount <= 0 || runs <= 0) return 2;
  std::vector<std::vector<BYTE>> frames;
  for (int i = 0; i < frameCount; ++i) frames.push_back(Frame(i));

  const std::string raw = "/tmp/writer_bench_frames.bgr24";
  FILE *out = std::fopen(raw.c_str(), "wb");
  if (!out) return 1;
  for (const auto &frame : frames) std::fwrite(frame.data(), 1, frame.size(), out);
  std::fclose(out);

  std::vector<double> writer, cli;
  for (int run = 0; run < runs; ++run) {
    writer.push_back(WriterRun(frames, "/tmp/writer_bench_writer.wmv"));
    cli.push_back(CliRun(raw, "/tmp/writer_bench_cli.wmv"));
    if (writer.back() < 0 || cli.back() < 0) {
      std::fprintf(stderr, "run %d failed\n", run);
      return 1;
    }
  }
  std::remove(raw.c_str());
  const double writerFps = frameCount / Median(writer), cliFps = frameCount / Median(cli);
  std::printf("frames %d, runs %d (medians)\n", frameCount, runs);
  std::printf("writer     %8.1f frames/s\n", writerFps);
  std::printf("ffmpeg CLI %8.1f frames/s\n", cliFps);
  std::printf("ratio      %8.2f (goal >= 0.80)\n", writerFps / cliFps);
  return 0;
}
