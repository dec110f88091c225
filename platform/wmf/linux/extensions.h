/* What the project's runtime offers beyond the platform's interfaces: switches that
 * tests use to exercise the plug-in on other output formats. */
#ifndef QV_WMF_EXTENSIONS_H
#define QV_WMF_EXTENSIONS_H

#include "types.h"

/* Reader switches, environment variables read when WMCreateReaderPriv makes a reader
 * (set them before creating it; changing them later does not affect that reader):
 *
 * QV_WMF_VIDEO_OUTPUT = rgb24 (default) | rgb32 | rgb555 | rgb8
 *   The format every video output offers: RGB24, RGB32 (blue, green, red, unused),
 *   RGB555 (16 bits, 0RRRRRGGGGGBBBBB little-endian) or 8-bit palettised, whose
 *   VIDEOINFOHEADER is followed by its 256-entry colour table (biClrUsed 256; index
 *   bits BBGGGRRR). Always bottom-up rows at a 4-byte stride, biSizeImage filled.
 *   Other values mean rgb24.
 *
 * QV_WMF_READER_STALL = 1
 *   Open answers S_OK but the reader never reports anything: no WMT_OPENED, and no
 *   query or Start succeeds. Close still returns at once. For callers' time-outs.
 *
 * QV_WMF_READER_CACHE_MB = megabytes (at most 4096)
 *   How much the reader keeps of decoded pictures near the last frame it delivered,
 *   so that stepping backwards or jumping a little decodes each picture once. 0 keeps
 *   none and reads nothing ahead. Unset: the pictures of 2.5 s of the file, from
 *   64 MB up to 256 MB (a 4:2:0 picture is 1.5 bytes a pixel). */
#define QV_WMF_VIDEO_OUTPUT_VARIABLE "QV_WMF_VIDEO_OUTPUT"
#define QV_WMF_READER_STALL_VARIABLE "QV_WMF_READER_STALL"
#define QV_WMF_READER_CACHE_MB_VARIABLE "QV_WMF_READER_CACHE_MB"

#endif
