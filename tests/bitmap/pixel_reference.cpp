// The bitmap conversion one pixel at a time.
#include "pixel_reference.h"

#include <cstring>

#include "bitmap_rules.h"

namespace pixel_reference {
namespace {

BITMAPINFOHEADER HeaderOf(const BYTE *block) {
  BITMAPINFOHEADER header;
  memcpy(&header, block, sizeof header);
  return header;
}

// Start of the stored row that holds picture row y (0 = top).
const BYTE *RowAddress(const BYTE *block, const BITMAPINFOHEADER &header, LONG y) {
  LONGLONG stored = header.biHeight > 0 ? LONGLONG(header.biHeight) - 1 - y : y;
  return block + kPackedDibHeaderBytes + stored * RowStride(header.biBitCount, header.biWidth);
}

}  // namespace

BYTE ReadPixel1(const BYTE *block, LONG x, LONG y) {
  const BYTE *row = RowAddress(block, HeaderOf(block), y);
  return (row[x / 8] >> (7 - x % 8)) & 1;
}

BYTE ReadPixel4(const BYTE *block, LONG x, LONG y) {
  const BYTE *row = RowAddress(block, HeaderOf(block), y);
  BYTE pair = row[x / 2];
  return x % 2 == 0 ? pair >> 4 : pair & 0x0F;
}

BYTE ReadPixel8(const BYTE *block, LONG x, LONG y) { return RowAddress(block, HeaderOf(block), y)[x]; }

WORD ReadPixel16(const BYTE *block, LONG x, LONG y) {
  const BYTE *pixel = RowAddress(block, HeaderOf(block), y) + 2 * LONGLONG(x);
  return WORD(pixel[0] | pixel[1] << 8);
}

DWORD ReadPixel32(const BYTE *block, LONG x, LONG y) {
  const BYTE *pixel = RowAddress(block, HeaderOf(block), y) + 4 * LONGLONG(x);
  return DWORD(pixel[0]) | DWORD(pixel[1]) << 8 | DWORD(pixel[2]) << 16 | DWORD(pixel[3]) << 24;
}

void WritePixel24(BYTE *block, LONG x, LONG y, DWORD colour) {
  BITMAPINFOHEADER header = HeaderOf(block);
  BYTE *pixel = const_cast<BYTE *>(RowAddress(block, header, y)) + 3 * LONGLONG(x);
  pixel[0] = BYTE(colour >> 16);  // blue
  pixel[1] = BYTE(colour >> 8);   // green
  pixel[2] = BYTE(colour);        // red
}

DWORD ColourFrom16(WORD value) {
  DWORD blue = (value & 0x1F) << 3;
  DWORD green = ((value >> 5) & 0x1F) << 3;
  DWORD red = ((value >> 10) & 0x1F) << 3;
  return red | green << 8 | blue << 16;
}

DWORD ColourFrom32(DWORD value) {
  DWORD blue = value & 0xFF, green = (value >> 8) & 0xFF, red = (value >> 16) & 0xFF;
  return red | green << 8 | blue << 16;
}

std::vector<BYTE> ConvertPixelByPixel(const BITMAPINFOHEADER &header, const BYTE *pixels,
                                      const RGBQUAD *table, DWORD entries) {
  LONG rows = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  LONGLONG image = LONGLONG(RowStride(header.biBitCount, header.biWidth)) * rows;
  std::vector<BYTE> source(kPackedDibHeaderBytes + size_t(image));
  memcpy(source.data(), &header, kPackedDibHeaderBytes);
  if (image) memcpy(source.data() + kPackedDibHeaderBytes, pixels, size_t(image));
  BITMAPINFOHEADER targetHeader = header;  // the result is bottom-up
  targetHeader.biHeight = rows;
  targetHeader.biBitCount = 24;
  std::vector<BYTE> target(kPackedDibHeaderBytes + size_t(RowStride(24, header.biWidth)) * rows, 0);
  memcpy(target.data(), &targetHeader, kPackedDibHeaderBytes);
  const BYTE *s = source.data();
  for (LONG x = 0; x < header.biWidth; ++x) {
    for (LONG y = 0; y < rows; ++y) {
      DWORD colour;
      switch (header.biBitCount) {
        case 1: colour = ColourFromPalette(table, entries, ReadPixel1(s, x, y)); break;
        case 4: colour = ColourFromPalette(table, entries, ReadPixel4(s, x, y)); break;
        case 8: colour = ColourFromPalette(table, entries, ReadPixel8(s, x, y)); break;
        case 15:
        case 16: colour = ColourFrom16(ReadPixel16(s, x, y)); break;
        case 32: colour = ColourFrom32(ReadPixel32(s, x, y)); break;
        default: return std::vector<BYTE>(target.begin() + kPackedDibHeaderBytes, target.end());
      }
      WritePixel24(target.data(), x, y, colour);
    }
  }
  return std::vector<BYTE>(target.begin() + kPackedDibHeaderBytes, target.end());
}

}  // namespace pixel_reference
