/* Media export: judge the host's format, write frames and audio through the writer. */
#ifndef QV_PLUGIN_EXPORT_H
#define QV_PLUGIN_EXPORT_H

#include "instance_block.h"

/* piLocalSetFormat on a locked block. */
BOOL ExportSetFormat(InstanceBlock *block, const BYTE *record);

/* piLocalSaveData on a locked block: kind 0 nothing, 1 a video frame, else audio. */
BOOL ExportSaveData(InstanceBlock *block, LONG kind, LPCSTR fileName);

/* The export's part of the transfer end: flush, end writing, release the export's
 * objects. Does nothing when none is held. */
void ExportEnd(InstanceBlock *block);

#endif
