// Converting one 640 x 480 frame of 8, 16 and 32 bits into a 24-bit packed DIB: the
// whole packaging (allocation included) and the row conversion alone, each beside a
// plain memcpy of the 921,600-byte result. Goal: packaging within 3 times the copy.
//
//   bitmap_bench --benchmark_repetitions=7 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "bitmap.h"
#include "bitmap_rows.h"
#include "bitmap_rules.h"

namespace {

constexpr LONG kWidth = 640, kHeight = 480;
const size_t kResultBytes = size_t(RowStride(24, kWidth)) * kHeight;

struct Frame {
  BITMAPINFOHEADER header{};
  RGBQUAD table[256]{};
  std::vector<BYTE> pixels;

  explicit Frame(WORD bitCount) {
    header.biSize = 40;
    header.biWidth = kWidth;
    header.biHeight = kHeight;
    header.biPlanes = 1;
    header.biBitCount = bitCount;
    std::mt19937 random(1);
    for (RGBQUAD &entry : table) entry = {BYTE(random()), BYTE(random()), BYTE(random()), 0};
    pixels.resize(size_t(RowStride(bitCount, kWidth)) * kHeight);
    for (BYTE &b : pixels) b = BYTE(random());
  }
};

void PackageFrame(benchmark::State &state) {
  Frame frame(WORD(state.range(0)));
  for (auto _ : state) {
    HGLOBAL block = PackageSampleInto(0, frame.pixels.data(), DWORD(frame.pixels.size()), &frame.header);
    if (!block) state.SkipWithError("no frame");
    GlobalFree(block);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kResultBytes));
}

void ConvertRowsOnly(benchmark::State &state) {
  Frame frame(WORD(state.range(0)));
  PackedBgr palette[256];
  BuildRowPalette(frame.table, 256, palette);
  std::vector<BYTE> target(kResultBytes);
  for (auto _ : state) {
    ConvertRows(frame.header.biBitCount, frame.pixels.data(), false, kWidth, kHeight, palette,
                target.data());
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kResultBytes));
}

void CopyResult(benchmark::State &state) {
  std::vector<BYTE> source(kResultBytes, 0x5A), target(kResultBytes);
  for (auto _ : state) {
    memcpy(target.data(), source.data(), kResultBytes);
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kResultBytes));
}

BENCHMARK(CopyResult);
BENCHMARK(PackageFrame)->Arg(8)->Arg(16)->Arg(32)->Arg(24);
BENCHMARK(ConvertRowsOnly)->Arg(8)->Arg(16)->Arg(32);

}  // namespace

BENCHMARK_MAIN();
