// Samples built by hand for the bitmap tests, and a view of a resulting packed DIB.
#ifndef QV_TESTS_BITMAP_FIXTURE_H
#define QV_TESTS_BITMAP_FIXTURE_H

#include <vector>

#include "bitmap.h"

inline BITMAPINFOHEADER Header(LONG width, LONG height, WORD bitCount) {
  BITMAPINFOHEADER header{};
  header.biSize = 40;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = bitCount;
  return header;
}

// A source header with its colour table directly behind it, as the import hands over.
struct SampleFormat {
  BITMAPINFOHEADER header{};
  RGBQUAD table[256]{};

  SampleFormat(LONG width, LONG height, WORD bitCount) : header(Header(width, height, bitCount)) {}
};
static_assert(offsetof(SampleFormat, table) == 40, "the table follows the header");

// Copies a packed DIB out of its block and frees the block.
struct PackedDib {
  BITMAPINFOHEADER header{};
  std::vector<BYTE> rows;
  size_t blockSize = 0;

  explicit PackedDib(HGLOBAL block) {
    if (!block) return;
    blockSize = GlobalSize(block);
    const BYTE *bytes = static_cast<const BYTE *>(GlobalLock(block));
    memcpy(&header, bytes, 40);
    rows.assign(bytes + 40, bytes + blockSize);
    GlobalUnlock(block);
    GlobalFree(block);
  }
  // Blue, green, red of pixel (x, y), y = 0 the top row.
  std::vector<BYTE> Pixel(LONG x, LONG y) const {
    size_t stride = (header.biWidth * 3 + 3) / 4 * 4;
    const BYTE *p = &rows[(header.biHeight - 1 - y) * stride + 3 * x];
    return {p[0], p[1], p[2]};
  }
};

// A sample packaged into a block of its own.
inline HGLOBAL PackageSample(const BYTE *pixels, DWORD available, const BITMAPINFOHEADER *source) {
  return PackageSampleInto(0, pixels, available, source);
}

inline HGLOBAL Package(const std::vector<BYTE> &pixels, const SampleFormat &format) {
  return PackageSample(pixels.data(), DWORD(pixels.size()), &format.header);
}

#endif
