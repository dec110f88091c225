/* Bitmap conversion: decoded samples of any depth into 24-bit packed DIBs. */
#ifndef QV_PLUGIN_BITMAP_H
#define QV_PLUGIN_BITMAP_H

#include "win32.h"

/* A movable packed DIB with 24 bits per pixel made from one decoded sample, or 0.
 * `source` is the output's BITMAPINFOHEADER, followed by its colour table for 8 bits
 * or less; `pixels` holds `available` bytes, and nothing past them is read.
 * The colour table starts 40 bytes after `source` whatever its biSize says, and only
 * the image size's bytes are taken from `pixels`. A top-down source (negative height)
 * comes back bottom-up. No frame (0) for a negative width, a sample shorter than its
 * rows, a picture too large for one block, or memory running out; `reuse` is then
 * left as it was.
 * A 24-bit sample is written into `reuse` when that block is large enough (it is then
 * the result), which saves a block and a copy per frame where frames follow each
 * other into one block; otherwise the result is a new block (`reuse` may be 0). */
HGLOBAL PackageSampleInto(HGLOBAL reuse, const BYTE *pixels, DWORD available, const BITMAPINFOHEADER *source);

#endif
