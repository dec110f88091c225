// Row sizes, image sizes, 24-bit bitmap creation, and the per-pixel readers, writer
// and channel mapping of the bitmap conversion.
#include "bitmap_rules.h"

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

LONGLONG RoundRowSize(LONGLONG count) {
  if (count % 4 == 0) return count;
  return (count / 4 + 1) * 4;
}

LONGLONG RowStride(WORD bitCount, LONG width) {
  LONGLONG w = width;
  switch (bitCount) {
    case 1: return RoundRowSize(w / 8 + (w % 8 != 0));
    case 4: return RoundRowSize(w / 2 + (w % 2 != 0));
    case 8: return RoundRowSize(w);
    case 15:
    case 16: return RoundRowSize(w * 2);
    case 24: return RoundRowSize(w * 3);
    case 32: return RoundRowSize(w * 4);
    default: return w;
  }
}

DWORD ImageSize(const BITMAPINFOHEADER *header) {
  // Unsigned so that an out-of-range product wraps instead of being undefined; the
  // low 32 bits are those of the exact product either way.
  ULONGLONG stride = ULONGLONG(RowStride(header->biBitCount, header->biWidth));
  return DWORD(stride * ULONGLONG(LONGLONG(header->biHeight)));
}

LONGLONG CheckedImageSize(WORD bitCount, LONG width, LONGLONG rows, LONGLONG limit) {
  if (width < 0 || rows < 0) return -1;
  LONGLONG stride = RowStride(bitCount, width);  // at most 4 x 2^31: no overflow
  if (rows != 0 && stride > limit / rows) return -1;
  return stride * rows;
}

HGLOBAL AllocateBitmap24(LONG width, LONG height, bool zeroFill) {
  LONGLONG image = CheckedImageSize(24, width, height, kLargestBitmapBlock - kPackedDibHeaderBytes);
  if (image < 0) return 0;
  UINT flags = GMEM_MOVEABLE | (zeroFill ? GMEM_ZEROINIT : 0);
  HGLOBAL block = GlobalAlloc(flags, SIZE_T(image + kPackedDibHeaderBytes));
  if (!block) return 0;
  BYTE *bytes = static_cast<BYTE *>(GlobalLock(block));
  if (!bytes) {
    GlobalFree(block);
    return 0;
  }
  BITMAPINFOHEADER header = {};
  header.biSize = kPackedDibHeaderBytes;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = DWORD(image);
  memcpy(bytes, &header, sizeof header);
  GlobalUnlock(block);
  return block;
}

HGLOBAL CreateBitmap24(LONG width, LONG height) { return AllocateBitmap24(width, height, true); }

void WritePixel24(BYTE *block, LONG x, LONG y, DWORD colour) {
  BITMAPINFOHEADER header = HeaderOf(block);
  BYTE *pixel = const_cast<BYTE *>(RowAddress(block, header, y)) + 3 * LONGLONG(x);
  pixel[0] = BYTE(colour >> 16);  // blue
  pixel[1] = BYTE(colour >> 8);   // green
  pixel[2] = BYTE(colour);        // red
}

BYTE ReadPixel1(const BYTE *block, LONG x, LONG y) {
  const BYTE *row = RowAddress(block, HeaderOf(block), y);
  return (row[x / 8] >> (7 - x % 8)) & 1;  // the leftmost pixel is the high bit
}

BYTE ReadPixel4(const BYTE *block, LONG x, LONG y) {
  const BYTE *row = RowAddress(block, HeaderOf(block), y);
  BYTE pair = row[x / 2];
  return x % 2 == 0 ? pair >> 4 : pair & 0x0F;
}

BYTE ReadPixel8(const BYTE *block, LONG x, LONG y) {
  return RowAddress(block, HeaderOf(block), y)[x];
}

WORD ReadPixel16(const BYTE *block, LONG x, LONG y) {
  const BYTE *pixel = RowAddress(block, HeaderOf(block), y) + 2 * LONGLONG(x);
  return WORD(pixel[0] | pixel[1] << 8);
}

DWORD ReadPixel32(const BYTE *block, LONG x, LONG y) {
  const BYTE *pixel = RowAddress(block, HeaderOf(block), y) + 4 * LONGLONG(x);
  return DWORD(pixel[0]) | DWORD(pixel[1]) << 8 | DWORD(pixel[2]) << 16 | DWORD(pixel[3]) << 24;
}

DWORD ColourFromPalette(const RGBQUAD *table, DWORD entries, BYTE index) {
  if (!table || index >= entries) return 0;
  const RGBQUAD &entry = table[index];
  return DWORD(entry.rgbRed) | DWORD(entry.rgbGreen) << 8 | DWORD(entry.rgbBlue) << 16;
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
