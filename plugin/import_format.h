/* What the import learns from an open reader: the host format record and the kind
 * of each output. */
#ifndef QV_PLUGIN_IMPORT_FORMAT_H
#define QV_PLUGIN_IMPORT_FORMAT_H

#include "instance_block.h"
#include "reader_callback.h"
#include "wmf.h"

enum : LONG {
  kImportFrameRate = 30000,  // every file is presented at 30 frames per second
  kOutputKindOther = 0,
  kOutputKindVideo = qpl::kTransferVideo,
  kOutputKindFirstAudio = qpl::kTransferAudio,
};

/* Zeroes the block's host format record, then fills it and the output kind table from
 * the reader's duration and outputs. `source`, when given, receives the format of the
 * first video output, the one frames are taken from. False when the duration or the
 * output count cannot be read; the record is then left zero. */
bool ReadFileFormat(IWMReader *reader, InstanceBlock *block, FrameSource *source);

/* Frames at 30 per second in a duration of 100 ns units, as the host counts them; the
 * largest signed 32-bit count for a duration longer than that. */
LONG FrameCountOf(QWORD duration);

/* Start time, in 100 ns units, of the frame at `position`. */
LONGLONG FrameTimeOf(LONG position, LONG frameRate);

#endif
