/* Vector versions of the 16- and 32-bit row conversions for x86 processors with
 * SSSE3, chosen at run time; the scalar rows in bitmap_rows.cpp serve everything else. */
#ifndef QV_PLUGIN_BITMAP_ROWS_X86_H
#define QV_PLUGIN_BITMAP_ROWS_X86_H

#include "win32.h"

/* Convert the leading pixels of a 15/16-bit or 32-bit row into 24-bit pixels, in
 * whole groups, reading and writing nothing past the row's `width` pixels. Returns how
 * many pixels it converted: 0 for other depths or without SSSE3. */
LONG ConvertRowLeadVector(WORD bitCount, const BYTE *source, BYTE *target, LONG width);

#endif
