// export_bench: exports at 640x480, 1280x720 and 1920x1080 beside the ffmpeg CLI making
// the same codec at the same bit rate, medians of several runs taken in turns so that
// both sides meet the same load:
//  - qvhost export --from a clip (5 s of testsrc2 and a tone, H.264 and AAC), against
//    `ffmpeg -i clip -c:v wmv1 -b:v RATE -c:a wmav2` with its default threads, RATE
//    being the video rate qvhost's file got; wall and CPU seconds of each;
//  - the plug-in alone (piLocalSaveData with the frames ready), in frames per second;
//  - quality at 640x480: both encode the same 24-bit pictures into files of the same
//    size; PSNR of each against those pictures.
//
//   export_bench [runs, 5 by default] [profile position, 13 by default]
#include <sys/resource.h>

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

struct Size {
  LONG width, height;
  std::string Name() const { return std::to_string(width) + "x" + std::to_string(height); }
};
constexpr Size kSizes[] = {{640, 480}, {1280, 720}, {1920, 1080}};
constexpr int kSeconds = 5, kRate = 30, kFrames = kSeconds * kRate;
constexpr int kDistinctFrames = 30;  // drawn once, cycled, so drawing is not timed

std::string folder;

std::string Quote(const std::string &path) { return "'" + path + "'"; }

std::string Capture(const std::string &command) {
  std::string text;
  FILE *pipe = popen(command.c_str(), "r");
  char buffer[256];
  while (pipe && std::fgets(buffer, sizeof(buffer), pipe)) text += buffer;
  if (pipe) pclose(pipe);
  return text;
}

void Run(const std::string &command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "export_bench: failed: %s\n", command.c_str());
    std::exit(1);
  }
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Wall and CPU seconds of a command (the CPU of every process it waited for).
struct Timing {
  std::vector<double> wall, cpu;
};
void Time(const std::string &command, Timing *timing) {
  rusage before{}, after{};
  getrusage(RUSAGE_CHILDREN, &before);
  auto begin = std::chrono::steady_clock::now();
  Run(command);
  timing->wall.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
  getrusage(RUSAGE_CHILDREN, &after);
  auto seconds = [](const timeval &t) { return t.tv_sec + t.tv_usec / 1e6; };
  timing->cpu.push_back(seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) -
                        seconds(before.ru_stime));
}

// The bytes of a file's video packets: ASF gives no per-stream bit rate.
long long VideoBytes(const std::string &path) {
  std::string sizes =
      Capture("ffprobe -v error -select_streams v:0 -show_entries packet=size -of csv=p=0 " + Quote(path));
  long long bytes = 0;
  for (const char *p = sizes.c_str(); *p;) {
    char *end;
    bytes += std::strtoll(p, &end, 10);
    p = *end ? end + 1 : end;
  }
  return bytes;
}

// Frame n against frame n: ASF's whole milliseconds would otherwise pair a frame at
// 33 ms with the reference's frame before 33.3 ms. Compared as 24-bit pictures, the
// reference's own form: compared in 4:2:0, the reference would first pass through
// libswscale's conversion, and favour an encoder that converts as it does.
double Psnr(const std::string &path, const std::string &reference) {
  std::string said = Capture("ffmpeg -nostdin -i " + Quote(path) + " -i " + Quote(reference) +
                             " -lavfi '[0:v]format=bgr24,settb=1/" + std::to_string(kRate) +
                             ",setpts=N[a];[1:v]format=bgr24,settb=1/" + std::to_string(kRate) +
                             ",setpts=N[b];[a][b]psnr' -f null - 2>&1");
  size_t at = said.rfind("average:");
  return at == std::string::npos ? 0 : std::atof(said.c_str() + at + 8);
}

std::vector<std::vector<BYTE>> Frames(const Size &size) {
  const size_t stride = (static_cast<size_t>(size.width) * 3 + 3) & ~static_cast<size_t>(3);
  const size_t image = stride * size.height;
  std::vector<std::vector<BYTE>> frames;
  for (int f = 0; f < kDistinctFrames; ++f) {
    std::vector<BYTE> dib(40 + image);
    BITMAPINFOHEADER h = {40, size.width, size.height, 1, 24, BI_RGB, static_cast<DWORD>(image), 0, 0, 0, 0};
    std::memcpy(dib.data(), &h, 40);
    for (LONG y = 0; y < size.height; ++y)
      for (LONG x = 0; x < size.width; ++x) {
        BYTE *p = &dib[40 + static_cast<size_t>(size.height - 1 - y) * stride + 3 * x];
        double u = double(x) / size.width, v = double(y) / size.height, t = f * 0.1;
        p[0] = static_cast<BYTE>(128 + 90 * std::sin(6.28 * u + t));
        p[1] = static_cast<BYTE>(128 + 90 * std::sin(6.28 * v - t));
        p[2] = static_cast<BYTE>(((x + 4 * f) / 40 + y / 40) % 2 ? 220 : 40);
      }
    frames.push_back(std::move(dib));
  }
  return frames;
}

// Frames per second of one export through the plug-in's entry points, as a host makes
// the calls, from frames already drawn.
double PluginAlone(const qvhost::EntryPoints &pi, const std::vector<std::vector<BYTE>> &frames,
                   const std::string &out) {
  HGLOBAL block = pi.piLocalInit(0, 0);
  HostFormat record = {};
  record.flags = kHostFormatVideo;
  record.frameCount = kFrames;
  record.frameRate = kRate * 1000;
  std::memcpy(&record.bitmap, frames[0].data(), sizeof record.bitmap);
  if (!pi.piLocalSetFormat(0, block, &record)) {
    std::fprintf(stderr, "export_bench: format refused\n");
    std::exit(1);
  }
  pi.piLocalProcessDataStart(0, block);
  auto begin = std::chrono::steady_clock::now();
  for (int i = 0; i < kFrames; ++i) {
    const std::vector<BYTE> &dib = frames[i % kDistinctFrames];
    pi.piLocalSetData(0, block, dib.data(), static_cast<LONG>(dib.size()), 0, 0);
    if (!pi.piLocalSaveData(0, block, qpl::kTransferVideo, out.c_str())) {
      std::fprintf(stderr, "export_bench: frame %d refused\n", i);
      std::exit(1);
    }
  }
  pi.piLocalProcessDataEnd(0, block);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  pi.piLocalDone(0, block);
  return kFrames / seconds;
}

std::string Export(const std::string &out, const std::string &from, int profile) {
  return std::string(QV_HOST_PATH) + " --plugin " + Quote(QV_PLUGIN_PATH) + " export " + Quote(out) + " --from " +
         Quote(from) + " --profile " + std::to_string(profile) + " -y >/dev/null 2>&1";
}

std::string FfmpegWmv(const std::string &out, const std::string &from, long long videoRate, bool sound) {
  return "ffmpeg -nostdin -v error -y -i " + Quote(from) + " -c:v wmv1 -b:v " + std::to_string(videoRate) +
         (sound ? " -c:a wmav2" : " -an") + " " + Quote(out);
}

}  // namespace

int main(int argc, char **argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const int profile = argc > 2 ? std::atoi(argv[2]) : 13;
  folder = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/qv-export-bench";
  Run("mkdir -p " + Quote(folder));
  setenv("QV_WIN32_REGISTRY", (folder + "/user.reg").c_str(), 1);

  qvhost::Plugin loaded;
  std::string error;
  if (!loaded.Load(QV_PLUGIN_PATH, &error)) {
    std::fprintf(stderr, "export_bench: %s\n", error.c_str());
    return 1;
  }
  const qvhost::EntryPoints &pi = loaded.pi();
  // The profile, chosen as a user does it, in the dialog; qvhost saves the same choice.
  Win32SetDialogScript(("select:" + std::to_string(profile) + ",ok").c_str());
  HGLOBAL block = pi.piLocalInit(0, 0);
  if (!pi.piLocalDlg(0, block, nullptr)) {
    std::fprintf(stderr, "export_bench: no profile at position %d\n", profile);
    return 1;
  }
  pi.piLocalDone(0, block);

  std::printf("export, %d s at %d frames/s, profile %d, median of %d runs (ratio: ffmpeg's time / ours)\n", kSeconds,
              kRate, profile, runs);
  std::printf("%-10s %12s %12s %7s %10s %10s %14s\n", "size", "qvhost s", "ffmpeg s", "ratio", "qvhost cpu",
              "ffmpeg cpu", "plug-in fps");
  for (const Size &size : kSizes) {
    const std::string clip = folder + "/clip-" + size.Name() + ".mkv";
    const std::string ours = folder + "/ours.wmv", theirs = folder + "/ffmpeg.wmv";
    Run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=" + size.Name() + ":rate=" + std::to_string(kRate) +
        " -f lavfi -i sine=frequency=440:sample_rate=44100 -t " + std::to_string(kSeconds) +
        " -c:v libx264 -pix_fmt yuv420p -c:a aac " + Quote(clip));
    Timing qvhost, ffmpeg;
    Time(Export(ours, clip, profile), &qvhost);
    const long long rate = VideoBytes(ours) * 8 / kSeconds;
    for (int r = 0; r < runs; ++r) {
      Time(FfmpegWmv(theirs, clip, rate, true), &ffmpeg);
      if (r > 0) Time(Export(ours, clip, profile), &qvhost);
    }
    std::vector<double> plugin;
    const std::vector<std::vector<BYTE>> frames = Frames(size);
    for (int r = 0; r < runs; ++r) plugin.push_back(PluginAlone(pi, frames, folder + "/plugin.wmv"));
    const double q = Median(qvhost.wall), f = Median(ffmpeg.wall);
    std::printf("%-10s %12.2f %12.2f %7.2f %10.2f %10.2f %14.1f\n", size.Name().c_str(), q, f, f / q,
                Median(qvhost.cpu), Median(ffmpeg.cpu), Median(plugin));
    std::fflush(stdout);
    std::remove(clip.c_str());
  }
  std::printf("goals: ratio at least 0.8 at 1920x1080 and 1 at 640x480\n\n");

  // Quality per byte: the same 24-bit pictures, the same codec, files of the same size.
  const std::string pictures = folder + "/pictures.nut", ours = folder + "/q-ours.wmv",
                    theirs = folder + "/q-ffmpeg.wmv";
  Run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=640x480:rate=" + std::to_string(kRate) + " -t " +
      std::to_string(kSeconds) + " -pix_fmt bgr24 -c:v rawvideo " + Quote(pictures));
  Run(Export(ours, pictures, profile));
  const long long ourBytes = VideoBytes(ours);
  // Both encoders miss the rate they are asked for: ffmpeg's is steered until its file
  // is within 1% of ours.
  long long theirBytes = 0;
  for (double rate = ourBytes * 8.0 / kSeconds, tries = 0; tries < 6; ++tries) {
    Run(FfmpegWmv(theirs, pictures, static_cast<long long>(rate), false));
    theirBytes = VideoBytes(theirs);
    if (std::abs(theirBytes - ourBytes) * 100 <= ourBytes || theirBytes <= 0) break;
    rate *= static_cast<double>(ourBytes) / theirBytes;
  }
  const double ourPsnr = Psnr(ours, pictures), theirPsnr = Psnr(theirs, pictures);
  std::printf("quality, 640x480 24-bit pictures (testsrc2), video bytes and PSNR against the pictures\n");
  std::printf("  qvhost:     %9lld bytes  %.2f dB\n", ourBytes, ourPsnr);
  std::printf("  ffmpeg CLI: %9lld bytes  %.2f dB\n", theirBytes, theirPsnr);
  std::printf("  difference: %+.2f dB (goal: no worse than -0.30)\n", ourPsnr - theirPsnr);
  std::remove(pictures.c_str());
  return 0;
}
