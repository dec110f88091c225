/* Whole-row conversion into 24-bit rows, walking the rows in memory order. It gives
 * the same bytes as reading, mapping and writing one pixel at a time (the bitmap
 * tests' reference, tests/bitmap/pixel_reference.h, checks that it does). */
#ifndef QV_PLUGIN_BITMAP_ROWS_H
#define QV_PLUGIN_BITMAP_ROWS_H

#include "win32.h"

/* A 24-bit pixel as one value: blue in bits 0-7, green 8-15, red 16-23, the byte
 * order of the pixel in memory on the little-endian machines this runs on. */
typedef DWORD PackedBgr;

/* Depths whose pixels have a known layout: 1, 4, 8, 15, 16, 32 (24 is copied). */
bool IsConvertibleDepth(WORD bitCount);

/* Expand a colour table into 256 packed pixels; indices with no entry are black. */
void BuildRowPalette(const RGBQUAD *table, DWORD entries, PackedBgr palette[256]);

/* Convert `rows` stored rows of `width` pixels at `bitCount` bits (a convertible
 * depth) into bottom-up 24-bit rows at `target`, zeroing each row's padding.
 * `sourceTopDown` says the source stores the picture's top row first. */
void ConvertRows(WORD bitCount, const BYTE *source, bool sourceTopDown, LONG width, LONG rows,
                 const PackedBgr *palette, BYTE *target);

/* Copy `rows` 24-bit rows of `stride` bytes, reversing their order when the source
 * is top-down. */
void CopyRows24(const BYTE *source, bool sourceTopDown, LONGLONG stride, LONG rows, BYTE *target);

#endif
