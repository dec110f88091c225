// Bitmap conversion.
#include "bitmap.h"

HGLOBAL PackageSample(const BYTE *, DWORD, const BITMAPINFOHEADER *) { return 0; }
