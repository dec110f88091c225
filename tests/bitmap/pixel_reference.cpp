// The bitmap conversion one pixel at a time. Coordinates: x counts columns from the
// left, y rows from the top; a colour travels as a COLORREF (red in the low byte).
#include "pixel_reference.h"

#include <cstring>

#include "bitmap_rules.h"

namespace pixel_reference {
namespace {

// Start of the stored row that holds picture row y: a bottom-up block (positive
// height) stores it at height - 1 - y, a top-down one at y.
BYTE *RowAddress(BYTE *block, LONG y) {
  BITMAPINFOHEADER header;
  memcpy(&header, block, sizeof header);
  LONGLONG stored = header.biHeight > 0 ? LONGLONG(header.biHeight) - 1 - y : y;
  return block + kPackedDibHeaderBytes + stored * RowStride(header.biBitCount, header.biWidth);
}

// The colour of pixel (x, y) of a header-plus-pixels block of `depth` bits.
DWORD ReadColour(BYTE *block, WORD depth, LONG x, LONG y, const RGBQUAD *table, DWORD entries) {
  const BYTE *row = RowAddress(block, y);
  switch (depth) {
    case 1: return ColourFromPalette(table, entries, (row[x / 8] >> (7 - x % 8)) & 1);  // high bit first
    case 4: return ColourFromPalette(table, entries, x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F);
    case 8: return ColourFromPalette(table, entries, row[x]);
    case 15:
    case 16: {
      const BYTE *p = row + 2 * LONGLONG(x);
      const DWORD v = p[0] | p[1] << 8;
      return ((v >> 10) & 0x1F) << 3 | ((v >> 5) & 0x1F) << 11 | (v & 0x1F) << 19;
    }
    default: {  // 32
      const BYTE *p = row + 4 * LONGLONG(x);
      return DWORD(p[2]) | DWORD(p[1]) << 8 | DWORD(p[0]) << 16;
    }
  }
}

}  // namespace

std::vector<BYTE> ConvertPixelByPixel(const BITMAPINFOHEADER &header, const BYTE *pixels,
                                      const RGBQUAD *table, DWORD entries) {
  const LONG rows = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  const LONGLONG image = RowStride(header.biBitCount, header.biWidth) * rows;
  std::vector<BYTE> source(kPackedDibHeaderBytes + size_t(image));
  memcpy(source.data(), &header, kPackedDibHeaderBytes);
  if (image) memcpy(source.data() + kPackedDibHeaderBytes, pixels, size_t(image));
  BITMAPINFOHEADER targetHeader = header;  // the result is bottom-up
  targetHeader.biHeight = rows;
  targetHeader.biBitCount = 24;
  std::vector<BYTE> target(kPackedDibHeaderBytes + size_t(RowStride(24, header.biWidth)) * rows, 0);
  memcpy(target.data(), &targetHeader, kPackedDibHeaderBytes);
  const WORD depth = header.biBitCount;
  const bool known = depth == 1 || depth == 4 || depth == 8 || depth == 15 || depth == 16 || depth == 32;
  for (LONG x = 0; known && x < header.biWidth; ++x) {
    for (LONG y = 0; y < rows; ++y) {
      const DWORD colour = ReadColour(source.data(), depth, x, y, table, entries);
      BYTE *pixel = RowAddress(target.data(), y) + 3 * LONGLONG(x);
      pixel[0] = BYTE(colour >> 16);  // blue
      pixel[1] = BYTE(colour >> 8);   // green
      pixel[2] = BYTE(colour);        // red
    }
  }
  return std::vector<BYTE>(target.begin() + kPackedDibHeaderBytes, target.end());
}

}  // namespace pixel_reference
