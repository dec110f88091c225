// Sources the decoder may hand over that the conversion must survive: short samples,
// sizes that overflow, odd headers, top-down rows, missing palette entries, and
// memory running out.
#include <gtest/gtest.h>

#include <stdint.h>

#include "bitmap_fixture.h"
#include "bitmap_rules.h"

namespace {

using Bgr = std::vector<BYTE>;

TEST(BitmapSafety, ShortSamplesAndImpossibleSizesGiveNoFrame) {
  SampleFormat format(5, 2, 8);
  std::vector<BYTE> pixels(16);
  EXPECT_EQ(PackageSample(pixels.data(), 15, &format.header), nullptr);
  PackedDib exact(PackageSample(pixels.data(), 16, &format.header));
  EXPECT_EQ(exact.rows.size(), 32u);

  // Each claims far more than the 16 bytes given; those whose 32-bit image size
  // wraps to something small must not be believed either.
  const struct { LONG width, height; WORD depth; } huge[] = {
      {0x40000000, 4, 32},            // 2^34 bytes, 0 in 32 bits
      {0x7FFFFFFF, 0x7FFFFFFF, 32},   // past 64 bits of stride x height
      {0x10000, 0x10000, 8},          // 4 GiB
      {0x2AAAAAAB, 2, 24},
  };
  for (auto c : huge) {
    SampleFormat big(c.width, c.height, c.depth);
    EXPECT_EQ(PackageSample(pixels.data(), 0xFFFFFFFF, &big.header), nullptr) << c.width;
  }
  SampleFormat negativeWidth(-5, 2, 8), lowestHeight(1, INT32_MIN, 8);
  EXPECT_EQ(PackageSample(pixels.data(), 16, &negativeWidth.header), nullptr);
  EXPECT_EQ(PackageSample(pixels.data(), 16, &lowestHeight.header), nullptr);
  EXPECT_EQ(PackageSample(pixels.data(), 16, nullptr), nullptr);
}

TEST(BitmapSafety, TopDownSourcesBecomeBottomUp) {
  SampleFormat indexed(2, -2, 8);
  indexed.table[1] = {10, 11, 12, 0};
  indexed.table[2] = {20, 21, 22, 0};
  PackedDib dib(Package({1, 1, 0, 0, /* bottom: */ 2, 2, 0, 0}, indexed));
  EXPECT_EQ(dib.header.biHeight, 2);
  EXPECT_EQ(dib.Pixel(0, 0), (Bgr{10, 11, 12}));
  EXPECT_EQ(dib.Pixel(1, 1), (Bgr{20, 21, 22}));

  SampleFormat direct(1, -2, 24);
  PackedDib copy(Package({1, 2, 3, 0, 4, 5, 6, 0}, direct));
  EXPECT_EQ(copy.header.biHeight, 2);
  EXPECT_EQ(copy.rows, (std::vector<BYTE>{4, 5, 6, 0, 1, 2, 3, 0}));
}

TEST(BitmapSafety, LargerHeaderSizeReadsOnlyTheImageAndIsNotPassedOn) {
  SampleFormat direct(1, 1, 24);
  direct.header.biSize = 124;
  std::vector<BYTE> pixels = {1, 2, 3, 4};
  PackedDib copy(Package(pixels, direct));  // exactly the image: enough
  EXPECT_EQ(copy.header.biSize, 40u);
  EXPECT_EQ(copy.rows, pixels);

  SampleFormat indexed(1, 1, 8);
  indexed.header.biSize = 44;
  indexed.table[3] = {7, 8, 9, 0};  // right after the 40 header bytes
  PackedDib converted(Package({3, 0, 0, 0}, indexed));
  EXPECT_EQ(converted.Pixel(0, 0), (Bgr{7, 8, 9}));
}

TEST(BitmapSafety, PaletteIndicesWithoutAnEntryAreBlack) {
  SampleFormat format(3, 1, 8);
  format.header.biClrUsed = 2;
  format.table[0] = format.table[1] = format.table[2] = {50, 60, 70, 0};
  PackedDib dib(Package({1, 2, 255, 0}, format));
  EXPECT_EQ(dib.Pixel(0, 0), (Bgr{50, 60, 70}));
  EXPECT_EQ(dib.Pixel(1, 0), (Bgr{0, 0, 0}));
  EXPECT_EQ(dib.Pixel(2, 0), (Bgr{0, 0, 0}));

  // A count past what 8 bits can index reads no more than 256 entries.
  format.header.biClrUsed = 0xFFFFFFFF;
  PackedDib all(Package({1, 2, 255, 0}, format));
  EXPECT_EQ(all.Pixel(1, 0), (Bgr{50, 60, 70}));
}

// Frames follow each other into one block: a sample that cannot be packaged leaves it
// as it was.
TEST(BitmapSafety, RefusedSamplesLeaveTheReusedBlockAsItWas) {
  SampleFormat format(5, 2, 24);  // 16 bytes of rows
  HGLOBAL reuse = GlobalAlloc(GMEM_MOVEABLE, 40 + 16);
  memset(GlobalLock(reuse), 0xAB, 40 + 16);
  GlobalUnlock(reuse);
  std::vector<BYTE> pixels(16, 1);
  EXPECT_EQ(PackageSampleInto(reuse, pixels.data(), 15, &format.header), nullptr);
  EXPECT_EQ(GlobalSize(reuse), 56u);
  const BYTE *bytes = static_cast<const BYTE *>(GlobalLock(reuse));
  EXPECT_EQ(std::vector<BYTE>(bytes, bytes + 56), std::vector<BYTE>(56, 0xAB));
  EXPECT_EQ(GlobalFlags(reuse) & GMEM_LOCKCOUNT, 1u);  // only our own lock
  GlobalUnlock(reuse);
  GlobalFree(reuse);
}

#ifndef _WIN32
// The stand-in can make allocations fail; the platform's own allocator cannot be
// made to here.
TEST(BitmapSafety, RunningOutOfMemoryGivesNoFrameAndLeavesTheSourceIntact) {
  SampleFormat format(5, 2, 8);
  std::vector<BYTE> pixels(16, 1);
  LONG blocks = Win32GlobalBlockCount();
  for (WORD depth : {WORD(8), WORD(24), WORD(2)}) {
    format.header.biBitCount = depth;
    Win32FailGlobalAllocAfter(0);
    EXPECT_EQ(PackageSample(pixels.data(), 48, &format.header), nullptr) << depth;
    Win32FailGlobalAllocAfter(-1);
    EXPECT_EQ(Win32GlobalBlockCount(), blocks);
  }

  // A 24-bit frame that fits the reused block needs no memory; any other leaves it.
  HGLOBAL reuse = GlobalAlloc(GMEM_MOVEABLE, 40 + 16);
  memset(GlobalLock(reuse), 0xAB, 40 + 16);
  GlobalUnlock(reuse);
  Win32FailGlobalAllocAfter(0);
  format.header.biBitCount = 8;
  EXPECT_EQ(PackageSampleInto(reuse, pixels.data(), 16, &format.header), nullptr);
  format.header.biBitCount = 24;
  EXPECT_EQ(PackageSampleInto(reuse, pixels.data(), 48, &format.header), nullptr);  // 32 bytes of rows: too large
  format.header.biWidth = 2;  // 8 bytes a row
  EXPECT_EQ(PackageSampleInto(reuse, pixels.data(), 48, &format.header), reuse);
  Win32FailGlobalAllocAfter(-1);
  EXPECT_EQ(Win32GlobalBlockCount(), blocks + 1);
  GlobalFree(reuse);
  EXPECT_EQ(Win32GlobalBlockCount(), blocks);
}
#endif

}  // namespace
