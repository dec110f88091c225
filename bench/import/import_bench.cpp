// Frames per second of frame requests through the plug-in (sequential and at random
// positions) on a 640 x 480 clip, beside FFmpeg's own decode of the same clip.
//   import_bench [--runs N] [--clip FILE]
// The clip is made with FFmpeg's command-line tool when none is given.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "host.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

bool MakeClip(const std::string &path) {
  std::string command =
      "ffmpeg -v error -nostdin -y -f lavfi -i testsrc2=size=640x480:rate=30 -t 10 -c:v wmv2 -b:v 4M '" + path + "'";
  return system(command.c_str()) == 0;
}

/* FFmpeg decoding the whole clip, as `ffmpeg -i FILE -f null -` does. */
double FfmpegFramesPerSecond(const std::string &clip, long frames) {
  std::string command = "ffmpeg -v error -nostdin -i '" + clip + "' -f null - ";
  Clock::time_point start = Clock::now();
  if (system(command.c_str()) != 0) return 0;
  return frames / Seconds(start);
}

/* Requests each position in turn through one transfer; frames per second. */
double PluginFramesPerSecond(const qvhost::Plugin &plugin, const std::string &clip,
                             const std::vector<LONG> &positions) {
  const qvhost::EntryPoints &pi = plugin.pi();
  qvhost::Instance instance(plugin);
  Clock::time_point start = Clock::now();
  for (LONG position : positions) {
    pi.piLocalLength(0, instance.handle(), position);
    if (!pi.piLocalLoadData(0, instance.handle(), qpl::kTransferVideo, clip.c_str())) {
      fprintf(stderr, "no frame at %ld\n", (long)position);
      return 0;
    }
    HGLOBAL frame = pi.piLocalGetData(0, instance.handle());
    const BYTE *bytes = static_cast<const BYTE *>(GlobalLock(frame));  // as a host reads it
    volatile BYTE first = bytes ? bytes[40] : 0;
    (void)first;
    GlobalUnlock(frame);
  }
  return positions.size() / Seconds(start);
}

}  // namespace

int main(int argc, char **argv) {
  int runs = 5;
  std::string clip = std::string(QV_BENCH_DIR) + "/import-640x480.wmv";
  bool given = false;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!strcmp(argv[i], "--runs")) runs = atoi(argv[i + 1]);
    if (!strcmp(argv[i], "--clip")) clip = argv[i + 1], given = true;
  }
  if (runs < 1) runs = 1;
  if (!given && !MakeClip(clip)) {
    fprintf(stderr, "import_bench: cannot make %s with ffmpeg\n", clip.c_str());
    return 1;
  }
  qvhost::Plugin plugin;
  std::string error;
  if (!plugin.Load(QV_BENCH_PLUGIN, &error)) {
    fprintf(stderr, "import_bench: %s\n", error.c_str());
    return 1;
  }
  const long frames = 300;
  std::vector<LONG> sequential(frames);
  for (long i = 0; i < frames; ++i) sequential[i] = (LONG)i;
  std::vector<LONG> random(60);
  std::mt19937 generator(12345);
  for (LONG &position : random) position = (LONG)(generator() % frames);

  std::vector<double> ffmpeg, forward, scattered;
  for (int run = 0; run < runs; ++run) {
    ffmpeg.push_back(FfmpegFramesPerSecond(clip, frames));
    forward.push_back(PluginFramesPerSecond(plugin, clip, sequential));
    scattered.push_back(PluginFramesPerSecond(plugin, clip, random));
  }
  double reference = Median(ffmpeg);
  printf("clip: %s (640x480, 300 frames), median of %d runs\n", clip.c_str(), runs);
  printf("ffmpeg -i FILE -f null -:           %8.1f frames/s\n", reference);
  printf("plug-in, sequential requests:        %8.1f frames/s  (%.2f of ffmpeg)\n", Median(forward),
         reference > 0 ? Median(forward) / reference : 0);
  printf("plug-in, random-position requests:   %8.1f frames/s  (%.2f of ffmpeg)\n", Median(scattered),
         reference > 0 ? Median(scattered) / reference : 0);
  return 0;
}
