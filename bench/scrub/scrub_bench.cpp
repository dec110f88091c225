// Frame requests as an editing host scrubs, through the plug-in's entry points, side
// by side with the plain seek-and-decode program (plain_seek_decode.h) on the same
// 20 s 640x480 wmv2 clip with a key frame every second:
//   backwards   frame 299 down to 0
//   scrub       a random walk of up to 15 frames either way
//   uniform     uniform random jumps
//   forwards    frame after frame
// Each order runs in a child process of its own, whose peak resident memory, minor
// page faults (first touches of fresh memory) and processor time per frame (all its
// threads together) are reported too: where the cores are busy elsewhere, the rates
// follow the processor time more than the use of a second core.
//   scrub_bench [--runs N] [--clip FILE] [--only ORDER] [--plugin FILE]
// (--plugin measures a saved copy of a build, its libraries found through
// LD_LIBRARY_PATH, while the build itself changes.)
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "../../host/host.h"
#include "plain_seek_decode.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFrames = 600;
constexpr int kFps = 30;

struct Order {
  const char *name;
  std::vector<int> positions;
  double goal;  // the plug-in's least rate, as a multiple of the plain program's
};

std::vector<Order> Orders() {
  std::vector<Order> orders;
  Order backwards{"backwards", {}, 10.0};
  for (int n = 299; n >= 0; --n) backwards.positions.push_back(n);
  orders.push_back(backwards);
  std::mt19937 generator(2024);
  Order scrub{"scrub", {}, 5.0};
  int at = 300;
  for (int i = 0; i < 600; ++i) {
    at += static_cast<int>(generator() % 31) - 15;
    at = std::min(std::max(at, 0), kFrames - 1);
    scrub.positions.push_back(at);
  }
  orders.push_back(scrub);
  Order uniform{"uniform", {}, 1.0};
  for (int i = 0; i < 300; ++i) uniform.positions.push_back(static_cast<int>(generator() % kFrames));
  orders.push_back(uniform);
  Order forwards{"forwards", {}, 1.15};
  for (int n = 0; n < kFrames; ++n) forwards.positions.push_back(n);
  orders.push_back(forwards);
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

struct Measure {
  double rate = 0;
  double peakMb = 0;
  double faults = 0;  // minor page faults
  double cpuMs = 0;   // user and system time, all threads, per frame
};

// Runs one measurement in a child.
bool InChild(bool plain, const std::string &clip, const std::vector<int> &positions, Measure *measure) {
  int channel[2];
  if (pipe(channel) != 0) return false;
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    close(channel[0]);
    const double result = plain ? PlainRate(clip, positions) : PluginRate(clip, positions);
    const ssize_t written = write(channel[1], &result, sizeof(result));
    _exit(written == sizeof(result) ? 0 : 1);
  }
  close(channel[1]);
  const bool read_ = read(channel[0], &measure->rate, sizeof(measure->rate)) == sizeof(measure->rate);
  close(channel[0]);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  measure->peakMb = usage.ru_maxrss / 1024.0;
  measure->faults = static_cast<double>(usage.ru_minflt);
  const double cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  measure->cpuMs = positions.empty() ? 0 : cpu * 1000 / positions.size();
  return read_ && WIFEXITED(status) && WEXITSTATUS(status) == 0 && measure->rate > 0;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char **argv) {
  int runs = 3;
  std::string clip = std::string(QV_BENCH_DIR) + "/scrub-640x480-20s.wmv";
  bool given = false;
  std::string only;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!strcmp(argv[i], "--runs")) runs = std::max(1, atoi(argv[i + 1]));
    if (!strcmp(argv[i], "--clip")) clip = argv[i + 1], given = true;
    if (!strcmp(argv[i], "--only")) only = argv[i + 1];
    if (!strcmp(argv[i], "--plugin")) g_plugin = argv[i + 1];
  }
  if (!given && access(clip.c_str(), R_OK) != 0) {
    const std::string make = "ffmpeg -v error -nostdin -y -f lavfi -i testsrc2=size=640x480:rate=30 -t 20 "
                             "-c:v wmv2 -g 30 -b:v 4M '" + clip + "'";
    if (system(make.c_str()) != 0) {
      fprintf(stderr, "scrub_bench: cannot make %s with ffmpeg\n", clip.c_str());
      return 1;
    }
  }
  printf("clip: %s, median of %d runs; frames/s, peak resident MB, minor page faults, processor ms per frame\n",
         clip.c_str(), runs);
  printf("%-10s %9s %6s %8s %6s %9s %6s %8s %6s %6s %5s\n", "order", "plain", "MB", "faults", "cpu", "plug-in", "MB",
         "faults", "cpu", "ratio", "goal");
  bool met = true;
  for (const Order &order : Orders()) {
    if (!only.empty() && only != order.name) continue;
    std::vector<double> plain, plugin, plainMb, pluginMb, plainFaults, pluginFaults, plainCpu, pluginCpu;
    for (int run = 0; run < runs; ++run) {
      Measure measure;
      if (!InChild(true, clip, order.positions, &measure)) return 1;
      plain.push_back(measure.rate), plainMb.push_back(measure.peakMb), plainFaults.push_back(measure.faults);
      plainCpu.push_back(measure.cpuMs);
      if (!InChild(false, clip, order.positions, &measure)) return 1;
      plugin.push_back(measure.rate), pluginMb.push_back(measure.peakMb), pluginFaults.push_back(measure.faults);
      pluginCpu.push_back(measure.cpuMs);
    }
    const double ratio = Median(plugin) / Median(plain);
    met = met && ratio >= order.goal;
    printf("%-10s %9.1f %6.1f %8.0f %6.3f %9.1f %6.1f %8.0f %6.3f %6.2f %5.2f%s\n", order.name, Median(plain),
           Median(plainMb), Median(plainFaults), Median(plainCpu), Median(plugin), Median(pluginMb), Median(pluginFaults),
           Median(pluginCpu), ratio, order.goal, ratio >= order.goal ? "" : "  (below)");
  }
  return met ? 0 : 2;
}
