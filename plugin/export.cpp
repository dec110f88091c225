// Media export.
#include "export.h"

BOOL ExportSetFormat(InstanceBlock *, const BYTE *) { return 0; }
BOOL ExportSaveData(InstanceBlock *, LONG, LPCSTR) { return 0; }
void ExportEnd(InstanceBlock *) {}
