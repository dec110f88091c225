// Benchmark of the archive format: the writer's ratio and speed (optimal and greedy
// parse) per file, and the launcher's decoder throughput over all of them.
//   pak_bench FILE...      (run.sh picks a fixed corpus and runs lz4 -b beside it)
#include "pak_compressor.h"
#include "pak_decoder.h"

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 5;

// Process CPU time: the machine is shared, and wall time would count the time other
// programs hold the cores.
double Seconds() {
  timespec now;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return (double)now.tv_sec + (double)now.tv_nsec * 1e-9;
}

template <typename F>
double MedianSeconds(int runs, F &&work) {
  std::vector<double> times;
  for (int i = 0; i < runs; i++) {
    double start = Seconds();
    work();
    times.push_back(Seconds() - start);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

std::vector<uint8_t> Load(const char *path) {
  std::vector<uint8_t> data;
  FILE *f = std::fopen(path, "rb");
  if (!f) return data;
  uint8_t buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) data.insert(data.end(), buffer, buffer + got);
  std::fclose(f);
  return data;
}

struct Entry {
  size_t size;
  std::vector<uint8_t> blocks;
};

// Decodes every block of an entry; returns the number of output bytes, or 0 on a fault.
size_t DecodeEntry(const Entry &entry, uint8_t *window, uint32_t &checksum) {
  PakEntryDecoder decoder;
  PakEntryDecoderStart(decoder, window, (uint32_t)entry.size, true);
  size_t at = 0;
  while (!PakEntryDecoderDone(decoder)) {
    uint32_t length = entry.blocks[at] | entry.blocks[at + 1] << 8;
    int32_t produced = PakEntryDecodeBlock(decoder, entry.blocks.data() + at + 2, length);
    if (produced <= 0) return 0;
    checksum += PakEntryBlockOutput(decoder)[produced - 1];
    at += 2 + length;
  }
  return entry.size;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: pak_bench FILE...\n");
    return 2;
  }
  std::printf("%-28s %9s %9s %9s %7s %9s %9s\n", "file", "bytes", "optimal", "greedy", "gain", "opt MB/s",
              "grd MB/s");
  size_t total = 0, total_optimal = 0, total_greedy = 0;
  double time_optimal = 0, time_greedy = 0;
  std::vector<Entry> entries;
  for (int i = 1; i < argc; i++) {
    std::vector<uint8_t> data = Load(argv[i]);
    if (data.empty()) {
      std::fprintf(stderr, "pak_bench: cannot read %s\n", argv[i]);
      return 1;
    }
    std::vector<uint8_t> optimal, greedy;
    double t_opt = MedianSeconds(kRuns, [&] { optimal = PakCompressBlocks(data.data(), data.size(), PakParse::kOptimal); });
    double t_grd = MedianSeconds(kRuns, [&] { greedy = PakCompressBlocks(data.data(), data.size(), PakParse::kGreedy); });
    std::string name = argv[i];
    name = name.substr(name.find_last_of('/') + 1);
    std::printf("%-28s %9zu %9zu %9zu %6.2f%% %9.1f %9.1f\n", name.c_str(), data.size(), optimal.size(), greedy.size(),
                100.0 * (1.0 - (double)optimal.size() / (double)greedy.size()), data.size() / t_opt / 1e6,
                data.size() / t_grd / 1e6);
    total += data.size();
    total_optimal += optimal.size();
    total_greedy += greedy.size();
    time_optimal += t_opt;
    time_greedy += t_grd;
    entries.push_back({data.size(), std::move(optimal)});
  }
  std::printf("%-28s %9zu %9zu %9zu %6.2f%% %9.1f %9.1f\n", "total", total, total_optimal, total_greedy,
              100.0 * (1.0 - (double)total_optimal / (double)total_greedy), total / time_optimal / 1e6,
              total / time_greedy / 1e6);
  std::printf("speeds: median of %d runs by CPU time\n", kRuns);
  std::printf("ratio (packed / original): optimal %.4f, greedy %.4f\n", (double)total_optimal / total,
              (double)total_greedy / total);

  // Decoding: every entry, repeated until each run produces at least 64 MB.
  std::vector<uint8_t> window(kPakWindowSize);
  int repeats = (int)(64e6 / (double)total) + 1;
  uint32_t checksum = 0;
  size_t produced = 0;
  double t_dec = MedianSeconds(7, [&] {
    produced = 0;
    for (int r = 0; r < repeats; r++)
      for (const Entry &e : entries) produced += DecodeEntry(e, window.data(), checksum);
  });
  if (produced != total * (size_t)repeats) {
    std::fprintf(stderr, "pak_bench: decoding failed\n");
    return 1;
  }
  std::printf("decoder: %.1f MB/s of output (%zu bytes per run, median of 7 by CPU time, checksum %u)\n", produced / t_dec / 1e6,
              produced, checksum);
  return 0;
}
