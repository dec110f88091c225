// The bitmap conversion one pixel at a time: the oracle that the plug-in's row-wise
// conversion is checked against (here and by the bitmap fuzzer).
#ifndef QV_TESTS_BITMAP_PIXEL_REFERENCE_H
#define QV_TESTS_BITMAP_PIXEL_REFERENCE_H

#include <vector>

#include "win32.h"

namespace pixel_reference {

/* The bottom-up 24-bit rows (padding zero) of the picture that `header` describes
 * (bottom-up, or top-down for a negative height) and `pixels` holds, converted column
 * by column: every pixel read, mapped to a colour and written. `table` with `entries`
 * entries serves 1, 4 and 8 bits; 16-bit pixels are read as 5-5-5 whatever the
 * compression, each channel shifted left by 3; the fourth byte of a 32-bit pixel is
 * ignored. Depths without a known layout give black rows. */
std::vector<BYTE> ConvertPixelByPixel(const BITMAPINFOHEADER &header, const BYTE *pixels,
                                      const RGBQUAD *table, DWORD entries);

}  // namespace pixel_reference

#endif
