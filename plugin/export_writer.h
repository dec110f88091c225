/* The export's writer: set up on the first piece of a transfer, released at its end. */
#ifndef QV_PLUGIN_EXPORT_WRITER_H
#define QV_PLUGIN_EXPORT_WRITER_H

#include "instance_block.h"

/* Loads the profile at the profile selection, creates the writer for `fileName`,
 * declares its inputs from the block's host format record and begins writing. On
 * failure nothing is left held in the block. */
BOOL SetUpWriter(InstanceBlock *block, LPCWSTR fileName);

/* Releases, each only if held, the profile, the input properties, the writer and the
 * profile manager, and clears their fields. */
void ReleaseExportObjects(InstanceBlock *block);

#endif
