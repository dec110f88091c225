/* The small bitmap rules behind the conversion of decoded samples into packed DIBs.
 *
 * A packed DIB here is one global memory block: a 40-byte BITMAPINFOHEADER followed
 * directly by the pixel rows, bottom-up, each row padded to a multiple of 4 bytes, no
 * colour table. A "header-plus-pixels block" has the same layout at any bit count.
 *
 * Pixel coordinates: x counts columns from the left, y counts rows from the top of the
 * picture. A bottom-up block (positive height) stores row y at height - 1 - y; a
 * top-down block (negative height) stores it at y.
 *
 * A colour travels as a COLORREF: red in bits 0-7, green 8-15, blue 16-23. */
#ifndef QV_PLUGIN_BITMAP_RULES_H
#define QV_PLUGIN_BITMAP_RULES_H

#include "win32.h"

/* Size of the header that starts every packed DIB. */
constexpr LONG kPackedDibHeaderBytes = 40;

/* The largest block the conversion asks for: the header's 32-bit sizes and a 32-bit
 * host's address space both end here. Larger pictures give no frame. */
constexpr LONGLONG kLargestBitmapBlock = 0x7FFFFFFF;

/* A row's byte count rounded up to a multiple of 4 (0 stays 0, 1 to 4 give 4). The
 * rounding works on the truncated quotient, so a negative count such as -5 gives 0. */
LONGLONG RoundRowSize(LONGLONG count);

/* Bytes of one stored row of a picture `width` pixels wide at `bitCount` bits per
 * pixel: width x 3, x 2 (15 and 16 bits), x 4 (32 bits), x 1 (8 bits), / 2 and / 8
 * (4 and 1 bits, a partial byte counted), rounded up to 4. Other bit counts have no
 * known layout: their "row" is `width` bytes, not rounded. */
LONGLONG RowStride(WORD bitCount, LONG width);

/* Byte count of the pixel rows the header describes (stride x height), as the low
 * 32 bits of the exact product. biSizeImage is not consulted. */
DWORD ImageSize(const BITMAPINFOHEADER *header);

/* The same count for a picture of `rows` rows, or -1 when width or rows is negative
 * or the count exceeds `limit`. Never overflows. */
LONGLONG CheckedImageSize(WORD bitCount, LONG width, LONGLONG rows, LONGLONG limit);

/* A new movable packed DIB of 24 bits per pixel, unlocked, its rows zero-filled
 * unless the caller writes every byte of them itself; 0 when the size is negative or
 * too large or the block cannot be had. */
HGLOBAL AllocateBitmap24(LONG width, LONG height, bool zeroFill);

/* Channel mapping from a palette index to a colour. An index with no entry (at or
 * beyond `entries`) is black. */
DWORD ColourFromPalette(const RGBQUAD *table, DWORD entries, BYTE index);

#endif
