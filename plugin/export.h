/* Media export: judge the host's format, write frames and audio through the writer. */
#ifndef QV_PLUGIN_EXPORT_H
#define QV_PLUGIN_EXPORT_H

#include "instance_block.h"

/* piLocalSetFormat on a locked block. While a file is open, a record that is refused
 * or would change the formats the writer was given is not taken. */
BOOL ExportSetFormat(InstanceBlock *block, const BYTE *record);

/* piLocalSaveData on a locked block: kind 0 nothing, 1 a video frame, else audio. */
BOOL ExportSaveData(InstanceBlock *block, LONG kind, LPCSTR fileName);

/* The export's part of the transfer end: flush, end writing, release the export's
 * objects, and remove the file when it could not be written whole. False only then;
 * true when no export was open. */
BOOL ExportEnd(InstanceBlock *block);

#endif
