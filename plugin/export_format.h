/* What the export can write, judged on the instance block's copy of the host format
 * record, and the sizes and times derived from it. */
#ifndef QV_PLUGIN_EXPORT_FORMAT_H
#define QV_PLUGIN_EXPORT_FORMAT_H

#include "qpl/host_format.h"

/* Takes the host's record into `copy`: 128 bytes of the long form, or 76 bytes of the
 * short form over a cleared copy. */
void TakeHostFormat(HostFormat *copy, const BYTE *record);

/* True when the export accepts the record. */
bool AcceptableExportFormat(const HostFormat &format);

/* True when `next` describes pieces that fit the writer's inputs as declared from
 * `open`: the same frame size (width, height, depth, image size) and, when there is
 * sound, the same sound format. */
bool KeepsWriterInputs(const HostFormat &open, const HostFormat &next);

/* Fills in biSizeImage when it is 0, and lowers it when it is larger, to the size of
 * the frame's rows (FrameRowsSize). False, with nothing changed, when the frame's
 * dimensions are not positive or a frame (with its 40-byte header) would not fit in 2 GB. */
bool SettleImageSize(HostFormat *format);

/* Bytes of a 24-bit frame's pixel rows: the stride (rounded up to 4 bytes) times the
 * height. Only for dimensions SettleImageSize takes. */
DWORD FrameRowsSize(const BITMAPINFOHEADER &bitmap);

/* Presentation times in 100-nanosecond units, truncated. A video time past the
 * signed 64-bit range (a late frame at a very slow rate) is -1. */
LONGLONG VideoFrameTime(LONG frame, LONG frameRate);
LONGLONG AudioSampleTime(LONG sample, DWORD samplesPerSecond);

/* The video input's declared bit rate: frame rate x image size / 1000, times 8. */
DWORD VideoBitRate(LONG frameRate, DWORD imageSize);

#endif
