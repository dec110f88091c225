// Bitmap conversion: a decoded sample of any depth becomes a 24-bit packed DIB, the
// form the host takes frames in.
#include "bitmap.h"

#include <stdint.h>

#include "bitmap_rows.h"
#include "bitmap_rules.h"

namespace {

// The largest pixel-row count a packed DIB made here may hold.
constexpr LONGLONG kLargestImage = kLargestBitmapBlock - kPackedDibHeaderBytes;

// Colour table entries an indexed source brings: biClrUsed, or every index the depth
// can hold when it is 0. A pixel can never name more than 2^bitCount entries, so a
// larger biClrUsed is not followed past them.
DWORD PaletteEntries(const BITMAPINFOHEADER &header) {
  if (header.biBitCount > 8) return 0;
  DWORD possible = DWORD(1) << header.biBitCount;
  if (header.biClrUsed == 0 || header.biClrUsed > possible) return possible;
  return header.biClrUsed;
}

// Fill a locked, unfilled 24-bit block of `rows` rows from source pixel rows.
void FillBitmap24(BYTE *bitmap, const BITMAPINFOHEADER &source, const BYTE *rows,
                  const RGBQUAD *table, DWORD entries) {
  BITMAPINFOHEADER result;
  memcpy(&result, bitmap, sizeof result);
  if (!IsConvertibleDepth(source.biBitCount)) return;  // the block was zero-filled: black
  PackedBgr palette[256];
  BuildRowPalette(table, entries, palette);
  ConvertRows(source.biBitCount, rows, source.biHeight < 0, result.biWidth, result.biHeight,
              palette, bitmap + kPackedDibHeaderBytes);
}

// A new 24-bit packed DIB converted from `rows`, laid out as `source` says (a
// top-down source becomes bottom-up); 0 when memory runs out.
HGLOBAL ConvertedBitmap(const BITMAPINFOHEADER &source, LONG height, const BYTE *rows,
                        const RGBQUAD *table, DWORD entries) {
  // Unsupported depths stay black, so only they need the zero fill; ConvertRows
  // writes every byte, padding included.
  HGLOBAL result = AllocateBitmap24(source.biWidth, height, !IsConvertibleDepth(source.biBitCount));
  if (!result) return 0;
  BYTE *bitmap = static_cast<BYTE *>(GlobalLock(result));
  if (!bitmap) {
    GlobalFree(result);
    return 0;
  }
  FillBitmap24(bitmap, source, rows, table, entries);
  GlobalUnlock(result);
  return result;
}

// A 24-bit sample keeps its header, rows stored bottom-up after it: in `reuse` when
// it holds them, else in a new block.
HGLOBAL PassThrough24(const BITMAPINFOHEADER &source, LONG height, const BYTE *pixels,
                      LONGLONG imageBytes, HGLOBAL reuse) {
  const SIZE_T size = SIZE_T(kPackedDibHeaderBytes + imageBytes);
  HGLOBAL block = reuse && GlobalSize(reuse) >= size ? reuse : GlobalAlloc(GMEM_MOVEABLE, size);
  if (!block) return 0;
  BYTE *bytes = static_cast<BYTE *>(GlobalLock(block));
  if (!bytes) {
    if (block != reuse) GlobalFree(block);
    return 0;
  }
  BITMAPINFOHEADER header = source;
  header.biSize = kPackedDibHeaderBytes;  // the rows follow 40 bytes on, whatever it said
  header.biHeight = height;
  memcpy(bytes, &header, sizeof header);
  if (imageBytes > 0) {
    CopyRows24(pixels, source.biHeight < 0, RowStride(24, source.biWidth), height,
               bytes + kPackedDibHeaderBytes);
  }
  GlobalUnlock(block);
  return block;
}

// Row count of a picture, or -1 for a height no packed DIB can carry.
LONG RowCount(LONG height) {
  if (height == LONG(INT32_MIN)) return -1;
  return height < 0 ? -height : height;
}

}  // namespace

HGLOBAL PackageSampleInto(HGLOBAL reuse, const BYTE *pixels, DWORD available, const BITMAPINFOHEADER *source) {
  if (!source) return 0;
  BITMAPINFOHEADER header;
  memcpy(&header, source, sizeof header);
  LONG height = RowCount(header.biHeight);
  if (height < 0) return 0;
  // Only the pixel rows come from the sample: a biSize above 40 describes the header,
  // not extra bytes of the sample, so exactly the image size is read.
  LONGLONG image = CheckedImageSize(header.biBitCount, header.biWidth, height, kLargestImage);
  if (image < 0 || image > LONGLONG(available)) return 0;
  if (image > 0 && !pixels) return 0;
  if (header.biBitCount == 24) return PassThrough24(header, height, pixels, image, reuse);
  // The colour table follows the 40-byte header directly.
  const RGBQUAD *table = reinterpret_cast<const RGBQUAD *>(
      reinterpret_cast<const BYTE *>(source) + kPackedDibHeaderBytes);
  return ConvertedBitmap(header, height, pixels, table, PaletteEntries(header));
}
