// Media import.
#include "import.h"

BOOL ImportLoadData(InstanceBlock *, LONG, LPCSTR) { return 0; }
void ImportEnd(InstanceBlock *) {}
