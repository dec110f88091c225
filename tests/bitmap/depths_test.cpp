// Packaging one sample per source depth, against pixels worked out by hand, and the
// row-wise conversion against the pixel-by-pixel reference on random pictures.
#include <gtest/gtest.h>

#include <random>

#include "bitmap_fixture.h"
#include "bitmap_rules.h"
#include "pixel_reference.h"

namespace {

using Bgr = std::vector<BYTE>;

TEST(BitmapDepths, TwentyFourBitsPassThroughWithTheirHeader) {
  SampleFormat format(3, 2, 24);
  format.header.biSizeImage = 999;
  format.header.biXPelsPerMeter = 7;
  format.header.biClrUsed = 3;
  std::vector<BYTE> pixels(24);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = BYTE(i + 1);  // filler bytes too
  PackedDib dib(Package(pixels, format));
  EXPECT_EQ(memcmp(&dib.header, &format.header, 40), 0);
  EXPECT_EQ(dib.rows, pixels);
}

TEST(BitmapDepths, EightBitsLookUpTheColourTable) {
  SampleFormat format(5, 2, 8);
  format.header.biClrUsed = 16;
  for (int i = 0; i < 16; ++i) format.table[i] = {BYTE(i), BYTE(i + 100), BYTE(i + 200), 0xEE};
  std::vector<BYTE> pixels = {0, 1, 2, 3, 4, 9, 9, 9,  /* top: */ 15, 14, 13, 12, 11, 9, 9, 9};
  PackedDib dib(Package(pixels, format));
  ASSERT_EQ(dib.rows.size(), 32u);  // rows of 16 bytes (15 rounded up)
  EXPECT_EQ(dib.header.biSizeImage, 32u);
  EXPECT_EQ(dib.Pixel(0, 1), (Bgr{0, 100, 200}));
  EXPECT_EQ(dib.Pixel(4, 1), (Bgr{4, 104, 204}));
  EXPECT_EQ(dib.Pixel(0, 0), (Bgr{15, 115, 215}));
  EXPECT_EQ(dib.Pixel(4, 0), (Bgr{11, 111, 211}));
  EXPECT_EQ(dib.rows[15], 0);
  EXPECT_EQ(dib.rows[31], 0);
}

TEST(BitmapDepths, OneBitTakesTheLeftmostPixelFromTheHighBit) {
  SampleFormat format(9, 1, 1);  // biClrUsed 0: two entries
  format.table[0] = {1, 2, 3, 0};
  format.table[1] = {200, 201, 202, 0};
  PackedDib dib(Package({0x81, 0x80, 0, 0}, format));
  for (LONG x = 0; x < 9; ++x) {
    bool set = x == 0 || x == 7 || x == 8;
    EXPECT_EQ(dib.Pixel(x, 0), (set ? Bgr{200, 201, 202} : Bgr{1, 2, 3})) << x;
  }
}

TEST(BitmapDepths, FourBitsTakeTheHighNibbleFirst) {
  SampleFormat format(3, 1, 4);
  for (int i = 0; i < 16; ++i) format.table[i] = {BYTE(i * 16), 0, BYTE(i), 0};
  PackedDib dib(Package({0xA5, 0x30, 0, 0}, format));
  EXPECT_EQ(dib.Pixel(0, 0), (Bgr{0xA0, 0, 0x0A}));
  EXPECT_EQ(dib.Pixel(1, 0), (Bgr{0x50, 0, 0x05}));
  EXPECT_EQ(dib.Pixel(2, 0), (Bgr{0x30, 0, 0x03}));
}

TEST(BitmapDepths, SixteenBitsReadAsFiveFiveFiveWhateverTheCompression) {
  for (DWORD compression : {DWORD(BI_RGB), DWORD(BI_BITFIELDS)}) {
    SampleFormat format(4, 1, 16);
    format.header.biCompression = compression;
    PackedDib dib(Package({0xFF, 0x7F, 0x00, 0x80, 0x1F, 0x00, 0xE0, 0x03}, format));
    EXPECT_EQ(dib.Pixel(0, 0), (Bgr{0xF8, 0xF8, 0xF8}));
    EXPECT_EQ(dib.Pixel(1, 0), (Bgr{0, 0, 0}));
    EXPECT_EQ(dib.Pixel(2, 0), (Bgr{0xF8, 0, 0}));
    EXPECT_EQ(dib.Pixel(3, 0), (Bgr{0, 0xF8, 0}));
  }
}

TEST(BitmapDepths, ThirtyTwoBitsDropTheFourthByte) {
  SampleFormat format(1, 2, 32);
  PackedDib dib(Package({0x10, 0x20, 0x30, 0x40, 1, 2, 3, 4}, format));
  ASSERT_EQ(dib.rows.size(), 8u);
  EXPECT_EQ(dib.rows, (std::vector<BYTE>{0x10, 0x20, 0x30, 0, 1, 2, 3, 0}));
}

TEST(BitmapDepths, UnknownDepthsAndEmptyPicturesGiveBlackOrNoRows) {
  SampleFormat twoBits(5, 3, 2);
  PackedDib black(Package(std::vector<BYTE>(15, 0xFF), twoBits));
  EXPECT_EQ(black.header.biBitCount, 24);
  EXPECT_EQ(black.header.biWidth, 5);
  EXPECT_EQ(black.header.biHeight, 3);
  EXPECT_EQ(black.rows, std::vector<BYTE>(48, 0));

  for (auto [w, h] : {std::pair{0, 4}, std::pair{4, 0}}) {
    SampleFormat empty(w, h, 8);
    HGLOBAL block = PackageSample(nullptr, 0, &empty.header);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), 40u);
    GlobalFree(block);
  }
}

TEST(BitmapDepths, RowWiseConversionMatchesThePixelRules) {
  std::mt19937 random(7);
  for (WORD depth : {1, 4, 8, 16, 32}) {
    // Widths on both sides of the vector groups (8 and 16 pixels) and their tails.
    for (LONG width : {1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 15, 16, 17, 23, 31, 32, 33, 47}) {
      SampleFormat format(width, width % 2 ? 3 : -3, depth);  // bottom-up and top-down
      format.header.biClrUsed = depth == 8 ? 200 : 0;  // some indices without an entry
      for (RGBQUAD &entry : format.table) entry = {BYTE(random()), BYTE(random()), BYTE(random()), 0};
      std::vector<BYTE> pixels(RowStride(depth, width) * 3);
      for (BYTE &b : pixels) b = BYTE(random());
      PackedDib dib(Package(pixels, format));
      DWORD entries = format.header.biClrUsed ? format.header.biClrUsed : 256;
      EXPECT_EQ(dib.rows, pixel_reference::ConvertPixelByPixel(format.header, pixels.data(), format.table, entries))
          << "depth " << depth << " width " << width;
    }
  }
}

}  // namespace
