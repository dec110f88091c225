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

TEST(BitmapSafety, ConversionRefusesBlocksShorterThanTheirHeader) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 40 + 7);
  BITMAPINFOHEADER header = Header(5, 2, 8);  // needs 16 bytes of rows
  memcpy(GlobalLock(block), &header, 40);
  GlobalUnlock(block);
  HGLOBAL before = block;
  EXPECT_FALSE(ConvertTo24Bits(block, nullptr, 0));
  EXPECT_EQ(block, before);
  EXPECT_EQ(GlobalSize(block), 47u);
  GlobalFree(block);
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

  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 40 + 16);
  BYTE *bytes = static_cast<BYTE *>(GlobalLock(block));
  BITMAPINFOHEADER header = Header(5, 2, 8);
  memcpy(bytes, &header, 40);
  memset(bytes + 40, 0xAB, 16);
  GlobalUnlock(block);
  HGLOBAL before = block;
  Win32FailGlobalAllocAfter(0);
  EXPECT_FALSE(ConvertTo24Bits(block, nullptr, 0));
  Win32FailGlobalAllocAfter(-1);
  ASSERT_EQ(block, before);
  bytes = static_cast<BYTE *>(GlobalLock(block));
  EXPECT_EQ(bytes[40 + 15], 0xAB);
  EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 1u);  // only our own lock
  GlobalUnlock(block);

  ASSERT_TRUE(ConvertTo24Bits(block, nullptr, 0));  // with memory it succeeds
  EXPECT_NE(block, before);
  GlobalFree(block);
  EXPECT_EQ(Win32GlobalBlockCount(), blocks);
}
#endif

}  // namespace
