// The formats the reader's outputs offer: uncompressed video as a bottom-up DIB and
// 16-bit PCM audio, described the way the host's media types describe them.
#ifndef QV_WMF_READER_OUTPUT_FORMAT_H
#define QV_WMF_READER_OUTPUT_FORMAT_H

#include "media_type.h"

namespace wmf {

enum class VideoOutputKind { Rgb24, Rgb32, Rgb555, Rgb8 };

// The kind QV_WMF_VIDEO_OUTPUT asks for (see extensions.h); RGB24 when unset or unknown.
VideoOutputKind VideoOutputKindFromEnvironment();

WORD BitCount(VideoOutputKind kind);

// The 256-entry colour table that 8-bit output indexes: 3 bits red (low), 3 bits green,
// 2 bits blue (high).
void Rgb8Palette(RGBQUAD palette[256]);

// VIDEOINFOHEADER (followed by the colour table for 8-bit output) of a
// width x height output, positive height (bottom-up), biSizeImage filled.
MediaType VideoOutputType(VideoOutputKind kind, LONG width, LONG height, REFERENCE_TIME timePerFrame,
                          DWORD bitRate);
// PCM, 16 bits per sample.
MediaType AudioOutputType(DWORD samplesPerSecond, WORD channels);

}  // namespace wmf

#endif
