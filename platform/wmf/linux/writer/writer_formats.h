// The uncompressed input formats the writer takes, and the ones its inputs offer
// until the caller declares its own.
#ifndef QV_WMF_WRITER_FORMATS_H
#define QV_WMF_WRITER_FORMATS_H

#include "media_type.h"

namespace wmf {

// RGB24 in a VIDEOINFOHEADER: rows bottom-up (positive height) or top-down
// (negative), each padded to 4 bytes; even or odd sizes up to 4096 x 4096.
// NS_E_INVALID_INPUT_FORMAT otherwise.
HRESULT CheckVideoInput(const MediaType &type);
// PCM in a WAVEFORMATEX: 8 or 16 bits, 1 or 2 channels, 11025, 22050 or 44100 Hz.
// NS_E_INVALID_INPUT_FORMAT otherwise.
HRESULT CheckAudioInput(const MediaType &type);

// 320 x 240 RGB24 at 30 frames per second, and 16-bit stereo PCM at 44100 Hz.
MediaType DefaultVideoInput();
MediaType DefaultAudioInput();

// The frame duration a VIDEOINFOHEADER gives, 30 frames per second when it gives none.
REFERENCE_TIME FrameDurationOf(const VIDEOINFOHEADER &format);

}  // namespace wmf

#endif
