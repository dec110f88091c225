// export_bench: frames per second of an export at 640x480 through the plug-in (piLocal
// calls, as a host makes them), beside the ffmpeg CLI encoding the same raw frames with
// the same codec (wmv1) at the same bit rate. Median of several runs of each.
//
//   export_bench [frames] [runs] [profile position, 15 by default: 1372 kbit/s video]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host.h"

namespace {

constexpr LONG kWidth = 640, kHeight = 480;
constexpr size_t kStride = kWidth * 3;
constexpr size_t kImage = kStride * kHeight;
constexpr int kDistinctFrames = 30;  // drawn once, cycled, so drawing is not timed

std::vector<std::vector<BYTE>> Frames() {
  std::vector<std::vector<BYTE>> frames;
  for (int f = 0; f < kDistinctFrames; ++f) {
    std::vector<BYTE> dib(40 + kImage);
    BITMAPINFOHEADER h = {40, kWidth, kHeight, 1, 24, BI_RGB, static_cast<DWORD>(kImage), 0, 0, 0, 0};
    std::memcpy(dib.data(), &h, 40);
    for (LONG y = 0; y < kHeight; ++y)
      for (LONG x = 0; x < kWidth; ++x) {
        BYTE *p = &dib[40 + static_cast<size_t>(kHeight - 1 - y) * kStride + 3 * x];
        double u = double(x) / kWidth, v = double(y) / kHeight, t = f * 0.1;
        p[0] = static_cast<BYTE>(128 + 90 * std::sin(6.28 * u + t));
        p[1] = static_cast<BYTE>(128 + 90 * std::sin(6.28 * v - t));
        p[2] = static_cast<BYTE>(((x + 4 * f) / 40 + y / 40) % 2 ? 220 : 40);
      }
    frames.push_back(std::move(dib));
  }
  return frames;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double ExportOnce(const qvhost::EntryPoints &pi, const std::vector<std::vector<BYTE>> &frames, int count,
                  const std::string &out) {
  HGLOBAL block = pi.piLocalInit(0, 0);
  HostFormat record = {};
  record.flags = kHostFormatVideo;
  record.frameCount = count;
  record.frameRate = 30000;
  std::memcpy(&record.bitmap, frames[0].data(), sizeof record.bitmap);
  if (!pi.piLocalSetFormat(0, block, &record)) {
    std::fprintf(stderr, "export_bench: format refused\n");
    std::exit(1);
  }
  pi.piLocalProcessDataStart(0, block);
  auto begin = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) {
    const std::vector<BYTE> &dib = frames[i % kDistinctFrames];
    pi.piLocalSetData(0, block, dib.data(), static_cast<LONG>(dib.size()), 0, 0);
    if (!pi.piLocalSaveData(0, block, qpl::kTransferVideo, out.c_str())) {
      std::fprintf(stderr, "export_bench: frame %d refused\n", i);
      std::exit(1);
    }
  }
  pi.piLocalProcessDataEnd(0, block);
  double seconds = Seconds(begin);
  pi.piLocalDone(0, block);
  return seconds;
}

std::string Capture(const std::string &command) {
  std::string text;
  FILE *pipe = popen(command.c_str(), "r");
  char buffer[256];
  while (pipe && std::fgets(buffer, sizeof(buffer), pipe)) text += buffer;
  if (pipe) pclose(pipe);
  return text;
}

}  // namespace

int main(int argc, char **argv) {
  int count = argc > 1 ? std::atoi(argv[1]) : 300;
  int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  int profile = argc > 3 ? std::atoi(argv[3]) : 15;
  std::string folder = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/qv-export-bench";
  std::system(("mkdir -p '" + folder + "'").c_str());
  setenv("QV_WIN32_REGISTRY", (folder + "/user.reg").c_str(), 1);

  qvhost::Plugin loaded;
  std::string error;
  if (!loaded.Load(QV_PLUGIN_PATH, &error)) {
    std::fprintf(stderr, "export_bench: %s\n", error.c_str());
    return 1;
  }
  const qvhost::EntryPoints &pi = loaded.pi();

  // The profile, chosen as a user does it, in the dialog.
  std::string script = "select:" + std::to_string(profile) + ",ok";
  Win32SetDialogScript(script.c_str());
  HGLOBAL block = pi.piLocalInit(0, 0);
  if (!pi.piLocalDlg(0, block, nullptr)) {
    std::fprintf(stderr, "export_bench: no profile at position %d\n", profile);
    return 1;
  }
  pi.piLocalDone(0, block);

  std::vector<std::vector<BYTE>> frames = Frames();
  std::string plugOut = folder + "/plugin.wmv", rawFile = folder + "/frames.raw", ffOut = folder + "/ffmpeg.wmv";
  std::vector<double> plugin;
  for (int r = 0; r < runs; ++r) plugin.push_back(count / ExportOnce(pi, frames, count, plugOut));

  // The same frames top-down for ffmpeg, and the bit rate the plug-in's file got.
  FILE *raw = std::fopen(rawFile.c_str(), "wb");
  for (int i = 0; i < count; ++i)
    for (LONG y = 0; y < kHeight; ++y)
      std::fwrite(&frames[i % kDistinctFrames][40 + static_cast<size_t>(kHeight - 1 - y) * kStride], 1, kStride, raw);
  std::fclose(raw);
  // ASF gives no per-stream bit rate: add up the video packets of the plug-in's file,
  // so that ffmpeg is asked for the rate the plug-in's encoder actually produced.
  std::string sizes = Capture("ffprobe -v error -select_streams v:0 -show_entries packet=size -of csv=p=0 '" +
                              plugOut + "'");
  long long bytes = 0;
  for (const char *p = sizes.c_str(); *p;) {
    char *end;
    bytes += std::strtoll(p, &end, 10);
    p = *end ? end + 1 : end;
  }
  long rate = static_cast<long>(bytes * 8 * 30 / count);
  if (rate <= 0) rate = 1000000;
  std::string command = "ffmpeg -v error -y -f rawvideo -pix_fmt bgr24 -s 640x480 -r 30 -i '" + rawFile +
                        "' -c:v wmv1 -b:v " + std::to_string(rate) + " -f asf '" + ffOut + "'";
  std::vector<double> ffmpeg;
  for (int r = 0; r < runs; ++r) {
    auto begin = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
      std::fprintf(stderr, "export_bench: ffmpeg failed\n");
      return 1;
    }
    ffmpeg.push_back(count / Seconds(begin));
  }
  double p = Median(plugin), f = Median(ffmpeg);
  std::printf("export 640x480, %d frames, profile %d (video %ld bit/s), median of %d runs\n", count, profile, rate, runs);
  std::printf("  plug-in (piLocalSaveData): %8.1f frames/s\n", p);
  std::printf("  ffmpeg CLI (wmv1):         %8.1f frames/s\n", f);
  std::printf("  ratio: %.2f (goal >= 0.80)\n", p / f);
  return 0;
}
