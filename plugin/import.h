/* Media import: a file's format and any frame, through the runtime's reader. */
#ifndef QV_PLUGIN_IMPORT_H
#define QV_PLUGIN_IMPORT_H

#include "instance_block.h"

/* piLocalLoadData on a locked block: kind 0 reads the format, kind 1 a frame. */
BOOL ImportLoadData(InstanceBlock *block, LONG kind, LPCSTR fileName);

/* The import's part of the transfer end: close and release the reader, end the
 * callback object, free the frame bitmap. Does nothing when no reader is held. */
void ImportEnd(InstanceBlock *block);

#endif
