// Row sizes, image sizes, 24-bit bitmap creation and the colour table's mapping.
#include "bitmap_rules.h"

#include "dib/geometry.h"

LONGLONG RoundRowSize(LONGLONG count) {
  if (count % 4 == 0) return count;
  return (count / 4 + 1) * 4;
}

LONGLONG RowStride(WORD bitCount, LONG width) {
  const WORD bits = bitCount == 15 ? 16 : bitCount;  // 15-bit pixels are stored in 16
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return width;
  if (width >= 0) return LONGLONG(dib::RowStride(ULONGLONG(width), bits));
  // A negative width's byte count (a partial byte counted) rounds as RoundRowSize does.
  const LONGLONG rowBits = LONGLONG(width) * bits;
  return RoundRowSize(rowBits / 8 + (rowBits % 8 != 0));
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

DWORD ColourFromPalette(const RGBQUAD *table, DWORD entries, BYTE index) {
  if (!table || index >= entries) return 0;
  const RGBQUAD &entry = table[index];
  return DWORD(entry.rgbRed) | DWORD(entry.rgbGreen) << 8 | DWORD(entry.rgbBlue) << 16;
}
