// Frame requests as an editing host scrubs, through the plug-in's entry points, side
// by side with the plain seek-and-decode program (plain_seek_decode.h) on 10 s wmv2
// clips with a key frame every second, at the sizes people edit (480p, 720p, 1080p):
//   backwards   the last frame down to the first
//   scrub       a random walk of up to 15 frames either way
//   uniform     uniform random jumps
//   forwards    frame after frame
//   pictures    every frame written as a .bmp file: `qvhost frames` beside `ffmpeg`
// Each order runs in a child process of its own, whose peak resident memory, minor
// page faults (first touches of fresh memory) and processor time per frame (all its
// threads together) are reported too: where the cores are busy elsewhere, the rates
// follow the processor time more than the use of a second core. Scrubbing has a goal
// for the plug-in's peak memory as well.
//   scrub_bench [--runs N] [--size 480p|720p|1080p] [--only ORDER] [--plugin FILE]
//               [--clip FILE (with one --size)]
// (--plugin measures a saved copy of a build, its libraries found through
// LD_LIBRARY_PATH, while the build itself changes.)
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "../../host/host.h"
#include "plain_seek_decode.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFrames = 300;
constexpr int kFps = 30;

struct Goals {
  double backwards, scrub, uniform, forwards, pictures;
  double scrubPeakMb;  // 0: none
};

struct Size {
  const char *name;
  int width, height;
  const char *bitRate;
  Goals goals;  // the plug-in's least rate, as a multiple of the other's
};

const Size kSizes[] = {
    {"480p", 640, 480, "4M", {10.0, 5.0, 1.0, 1.45, 1.0, 150}},
    {"720p", 1280, 720, "8M", {10.0, 5.0, 1.0, 1.3, 1.0, 0}},
    {"1080p", 1920, 1080, "12M", {10.0, 5.0, 1.0, 1.3, 1.0, 320}},
};

struct Order {
  const char *name;
  std::vector<int> positions;
  double goal;
  double peakMb;  // the plug-in's most, 0: no goal
};

std::vector<Order> Orders(const Goals &goals) {
  std::vector<Order> orders;
  Order backwards{"backwards", {}, goals.backwards, 0};
  for (int n = kFrames - 1; n >= 0; --n) backwards.positions.push_back(n);
  orders.push_back(backwards);
  std::mt19937 generator(2024);
  Order scrub{"scrub", {}, goals.scrub, goals.scrubPeakMb};
  int at = kFrames / 2;
  for (int i = 0; i < 600; ++i) {
    at += static_cast<int>(generator() % 31) - 15;
    at = std::min(std::max(at, 0), kFrames - 1);
    scrub.positions.push_back(at);
  }
  orders.push_back(scrub);
  Order uniform{"uniform", {}, goals.uniform, 0};
  for (int i = 0; i < 300; ++i) uniform.positions.push_back(static_cast<int>(generator() % kFrames));
  orders.push_back(uniform);
  Order forwards{"forwards", {}, goals.forwards, 0};
  for (int n = 0; n < kFrames; ++n) forwards.positions.push_back(n);
  orders.push_back(forwards);
  Order pictures{"pictures", forwards.positions, goals.pictures, 0};
  orders.push_back(pictures);
  return orders;
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double PlainRate(const std::string &clip, const std::vector<int> &positions) {
  const Clock::time_point start = Clock::now();
  PlainSeekDecoder decoder;
  if (!decoder.Open(clip)) return 0;
  std::vector<uint8_t> dib;
  for (int n : positions)
    if (!decoder.Frame(n, kFps, &dib)) return 0;
  return positions.size() / Seconds(start);
}

const char *g_plugin = QV_BENCH_PLUGIN;

double PluginRate(const std::string &clip, const std::vector<int> &positions) {
  qvhost::Plugin plugin;
  std::string error;
  if (!plugin.Load(g_plugin, &error)) {
    fprintf(stderr, "scrub_bench: %s\n", error.c_str());
    return 0;
  }
  const qvhost::EntryPoints &pi = plugin.pi();
  const Clock::time_point start = Clock::now();
  double rate = 0;
  {
    qvhost::Instance instance(plugin);
    for (int n : positions) {
      pi.piLocalLength(0, instance.handle(), n);
      if (!pi.piLocalLoadData(0, instance.handle(), 1, clip.c_str())) return 0;
      HGLOBAL frame = pi.piLocalGetData(0, instance.handle());
      const BYTE *bytes = static_cast<const BYTE *>(GlobalLock(frame));  // as a host reads it
      volatile BYTE first = bytes ? bytes[40] : 0;
      (void)first;
      GlobalUnlock(frame);
    }
    rate = positions.size() / Seconds(start);
  }
  return rate;
}

// Runs a program quietly; true when it succeeded.
bool Execute(const std::vector<std::string> &args) {
  std::vector<char *> argv;
  for (const std::string &arg : args) argv.push_back(const_cast<char *>(arg.c_str()));
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, 1);
    dup2(quiet, 2);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Every frame written as a .bmp file into a folder of its own, by qvhost or ffmpeg.
double PicturesRate(bool plain, const std::string &clip, size_t frames) {
  char folder[] = "/tmp/scrub-pictures-XXXXXX";
  if (!mkdtemp(folder)) return 0;
  const Clock::time_point start = Clock::now();
  const std::string last = std::to_string(frames - 1);
  const bool written =
      plain ? Execute({"ffmpeg", "-v", "error", "-nostdin", "-i", clip, "-frames:v", std::to_string(frames),
                       std::string(folder) + "/frame-%06d.bmp"})
            : Execute({QV_BENCH_QVHOST, "--plugin", g_plugin, "frames", clip, "--from", "0", "--to", last, "-o", folder});
  const double rate = frames / Seconds(start);
  std::error_code ignored;
  const size_t files = std::distance(std::filesystem::directory_iterator(folder, ignored), {});
  std::filesystem::remove_all(folder, ignored);
  return written && files == frames ? rate : 0;
}

struct Measure {
  double rate = 0;
  double peakMb = 0;
  double faults = 0;  // minor page faults
  double cpuMs = 0;   // user and system time, all threads, per frame
};

// Runs one measurement in a child.
bool InChild(const std::function<double()> &measureRate, size_t frames, Measure *measure) {
  int channel[2];
  if (pipe(channel) != 0) return false;
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    close(channel[0]);
    const double result = measureRate();
    const ssize_t written = write(channel[1], &result, sizeof(result));
    _exit(written == sizeof(result) ? 0 : 1);
  }
  close(channel[1]);
  const bool read_ = read(channel[0], &measure->rate, sizeof(measure->rate)) == sizeof(measure->rate);
  close(channel[0]);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  // (On Linux this includes the programs the child ran and waited for.)
  measure->peakMb = usage.ru_maxrss / 1024.0;
  measure->faults = static_cast<double>(usage.ru_minflt);
  const double cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  measure->cpuMs = frames == 0 ? 0 : cpu * 1000 / frames;
  return read_ && WIFEXITED(status) && WEXITSTATUS(status) == 0 && measure->rate > 0;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

bool MakeClip(const Size &size, const std::string &clip) {
  if (access(clip.c_str(), R_OK) == 0) return true;
  const std::string make = std::string("ffmpeg -v error -nostdin -y -f lavfi -i testsrc2=size=") +
                           std::to_string(size.width) + "x" + std::to_string(size.height) +
                           ":rate=30 -t 10 -c:v wmv2 -g 30 -b:v " + size.bitRate + " '" + clip + "'";
  if (system(make.c_str()) == 0) return true;
  fprintf(stderr, "scrub_bench: cannot make %s with ffmpeg\n", clip.c_str());
  return false;
}

}  // namespace

int main(int argc, char **argv) {
  int runs = 3;
  std::string clipGiven, onlySize, only;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!strcmp(argv[i], "--runs")) runs = std::max(1, atoi(argv[i + 1]));
    if (!strcmp(argv[i], "--clip")) clipGiven = argv[i + 1];
    if (!strcmp(argv[i], "--size")) onlySize = argv[i + 1];
    if (!strcmp(argv[i], "--only")) only = argv[i + 1];
    if (!strcmp(argv[i], "--plugin")) g_plugin = argv[i + 1];
  }
  printf("median of %d runs; frames/s, peak resident MB, minor page faults, processor ms per frame\n", runs);
  printf("%-6s %-10s %8s %6s %8s %6s %8s %6s %8s %6s %6s %5s\n", "size", "order", "other", "MB", "faults", "cpu",
         "plug-in", "MB", "faults", "cpu", "ratio", "goal");
  bool met = true;
  for (const Size &size : kSizes) {
    if (!onlySize.empty() && onlySize != size.name) continue;
    const std::string clip = !clipGiven.empty() ? clipGiven
                                                : std::string(QV_BENCH_DIR) + "/scrub-" + size.name + "-10s.wmv";
    if (!MakeClip(size, clip)) return 1;
    for (const Order &order : Orders(size.goals)) {
      if (!only.empty() && only != order.name) continue;
      const bool pictures = !strcmp(order.name, "pictures");
      std::vector<double> plain, plugin, plainMb, pluginMb, plainFaults, pluginFaults, plainCpu, pluginCpu;
      for (int run = 0; run < runs; ++run) {
        const size_t frames = order.positions.size();
        Measure measure;
        auto plainRate = [&] {
          return pictures ? PicturesRate(true, clip, frames) : PlainRate(clip, order.positions);
        };
        if (!InChild(plainRate, frames, &measure)) return 1;
        plain.push_back(measure.rate), plainMb.push_back(measure.peakMb), plainFaults.push_back(measure.faults);
        plainCpu.push_back(measure.cpuMs);
        auto pluginRate = [&] {
          return pictures ? PicturesRate(false, clip, frames) : PluginRate(clip, order.positions);
        };
        if (!InChild(pluginRate, frames, &measure)) return 1;
        plugin.push_back(measure.rate), pluginMb.push_back(measure.peakMb), pluginFaults.push_back(measure.faults);
        pluginCpu.push_back(measure.cpuMs);
      }
      const double ratio = Median(plugin) / Median(plain);
      const bool fast = ratio >= order.goal;
      const bool small = order.peakMb == 0 || Median(pluginMb) <= order.peakMb;
      met = met && fast && small;
      printf("%-6s %-10s %8.1f %6.1f %8.0f %6.3f %8.1f %6.1f %8.0f %6.3f %6.2f %5.2f%s%s\n", size.name, order.name,
             Median(plain), Median(plainMb), Median(plainFaults), Median(plainCpu), Median(plugin), Median(pluginMb),
             Median(pluginFaults), Median(pluginCpu), ratio, order.goal, fast ? "" : "  (below)",
             small ? "" : "  (memory above the goal)");
      if (order.peakMb > 0) printf("%-6s %-10s peak memory goal: at most %.0f MB\n", "", "", order.peakMb);
      fflush(stdout);
    }
  }
  return met ? 0 : 2;
}
