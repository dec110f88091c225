// Row and image sizes and 24-bit bitmap creation. The row conversion is checked in
// depths_test.cpp, against the pixel-by-pixel reference.
#include <gtest/gtest.h>

#include <vector>

#include "bitmap_fixture.h"
#include "bitmap_rules.h"

namespace {

TEST(BitmapRules, RowSizesRoundUpToFourBytesPerDepth) {
  EXPECT_EQ(RoundRowSize(0), 0);
  for (LONGLONG v : {1, 2, 3, 4}) EXPECT_EQ(RoundRowSize(v), 4) << v;
  EXPECT_EQ(RoundRowSize(5), 8);
  // Negative counts round on the truncated quotient, kept as the host has always seen it.
  EXPECT_EQ(RoundRowSize(-4), -4);
  EXPECT_EQ(RoundRowSize(-5), 0);
  EXPECT_EQ(RoundRowSize(-7), 0);
  EXPECT_EQ(RoundRowSize(0x200000001LL), 0x200000004LL);

  EXPECT_EQ(RowStride(1, 9), 4);    // 2 bytes: a partial byte counts
  EXPECT_EQ(RowStride(1, 33), 8);
  EXPECT_EQ(RowStride(4, 9), 8);    // 5 bytes
  EXPECT_EQ(RowStride(15, 3), 8);
  EXPECT_EQ(RowStride(24, 5), 16);
  EXPECT_EQ(RowStride(2, 5), 5);    // no known layout: not rounded
}

TEST(BitmapRules, ImageSizeIsStrideTimesHeightInThirtyTwoBits) {
  BITMAPINFOHEADER header = Header(3, 2, 24);
  header.biSizeImage = 12345;  // never consulted
  EXPECT_EQ(ImageSize(&header), 24u);
  header = Header(7, 3, 2);
  EXPECT_EQ(ImageSize(&header), 21u);
  header = Header(0x40000000, 4, 32);  // 2^34 bytes: only the low 32 bits remain
  EXPECT_EQ(ImageSize(&header), 0u);

  EXPECT_EQ(CheckedImageSize(32, 0x40000000, 4, kLargestBitmapBlock), -1);
  EXPECT_EQ(CheckedImageSize(32, 0x7FFFFFFF, 0x7FFFFFFF, kLargestBitmapBlock), -1);
  EXPECT_EQ(CheckedImageSize(8, -1, 1, kLargestBitmapBlock), -1);
  EXPECT_EQ(CheckedImageSize(8, 5, 3, kLargestBitmapBlock), 24);
  EXPECT_EQ(CheckedImageSize(8, 0x7FFFFFFF, 0, kLargestBitmapBlock), 0);
}

TEST(BitmapRules, CreatedBitmapIsZeroFilledUnlockedAndDescribed) {
  HGLOBAL block = AllocateBitmap24(5, 3, true);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 0u);
  ASSERT_EQ(GlobalSize(block), 40u + 16 * 3);
  const BYTE *bytes = static_cast<const BYTE *>(GlobalLock(block));
  BITMAPINFOHEADER header;
  memcpy(&header, bytes, 40);
  BITMAPINFOHEADER expected = Header(5, 3, 24);
  expected.biSizeImage = 48;
  EXPECT_EQ(memcmp(&header, &expected, 40), 0);
  EXPECT_EQ(std::vector<BYTE>(bytes + 40, bytes + 88), std::vector<BYTE>(48, 0));
  GlobalUnlock(block);
  GlobalFree(block);

  EXPECT_EQ(AllocateBitmap24(-1, 3, true), nullptr);
  EXPECT_EQ(AllocateBitmap24(0x7FFFFFFF, 2, true), nullptr);
}

}  // namespace
