/* Bitmap conversion: decoded samples of any depth into 24-bit packed DIBs. */
#ifndef QV_PLUGIN_BITMAP_H
#define QV_PLUGIN_BITMAP_H

#include "win32.h"

/* A new movable packed DIB with 24 bits per pixel made from one decoded sample, or 0.
 * `source` is the output's BITMAPINFOHEADER, followed by its colour table for 8 bits
 * or less; `pixels` holds `available` bytes, and nothing past them is read. */
HGLOBAL PackageSample(const BYTE *pixels, DWORD available, const BITMAPINFOHEADER *source);

#endif
