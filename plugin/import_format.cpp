// The host format record and the output kind table, read from an open reader.
#include "import_format.h"

#include <string.h>

namespace {

const WCHAR kDurationName[] = {'D', 'u', 'r', 'a', 't', 'i', 'o', 'n', 0};
const double kFrameCountFactor = 1.0000000116860974e-07;  // single precision's 10^-7
const double kFramesPerSecond = 30.0;
const DWORD kVideoInfoSize = 88;   // sizeof(VIDEOINFOHEADER) with its 40-byte header
const DWORD kVideoInfoHeaderOffset = 48;
const DWORD kWaveFormatBytes = 16;
const DWORD kLargestCount = 0x7FFFFFFF;  // frame count and audio length are signed 32-bit

/* The attribute is an unsigned QWORD: a length past 2^63 units is long, not negative. */
bool ReadDuration(IWMReader *reader, QWORD *duration) {
  IWMHeaderInfo *header = nullptr;
  if (reader->QueryInterface(IID_IWMHeaderInfo, (void **)&header) != S_OK || !header) return false;
  WORD stream = 0;
  WMT_ATTR_DATATYPE type = WMT_TYPE_QWORD;
  WORD length = sizeof(*duration);
  QWORD value = 0;
  HRESULT hr = header->GetAttributeByName(&stream, kDurationName, &type, (BYTE *)&value, &length);
  header->Release();
  if (hr != S_OK) return false;
  *duration = value;
  return true;
}

/* Sample frames of audio in `duration` at `samplesPerSecond`: whole microseconds
 * times the rate, over a million, truncated. Split at whole seconds so that no product
 * leaves 64 bits; held at the largest count rather than wrapped. */
LONG AudioLengthOf(QWORD duration, DWORD samplesPerSecond) {
  QWORD micro = duration / 10;
  QWORD seconds = micro / 1000000, rest = micro % 1000000;
  if (samplesPerSecond && seconds > kLargestCount / samplesPerSecond) return (LONG)kLargestCount;
  QWORD frames = seconds * samplesPerSecond + rest * samplesPerSecond / 1000000;
  return (LONG)(frames > kLargestCount ? kLargestCount : frames);
}

void KeepFrameSource(const BYTE *format, DWORD size, FrameSource *source) {
  memset(source, 0, sizeof(*source));
  memcpy(&source->header, format + kVideoInfoHeaderOffset, sizeof(source->header));
  if (source->header.biBitCount > 8) return;
  // The colour table follows the header in the output's format block.
  DWORD wanted = source->header.biClrUsed ? source->header.biClrUsed : 1u << source->header.biBitCount;
  DWORD present = (size - kVideoInfoSize) / sizeof(RGBQUAD);
  DWORD count = wanted < present ? wanted : present;
  if (count > 256) count = 256;
  memcpy(source->colours, format + kVideoInfoSize, count * sizeof(RGBQUAD));
}

struct ScanCounts {
  LONG video = 0;
  LONG audio = 0;
};

/* Classifies one output and takes its formats into the record. */
void ScanOutput(IWMReader *reader, DWORD output, QWORD duration, InstanceBlock *block,
                FrameSource *source, ScanCounts *counts) {
  IWMOutputMediaProps *props = nullptr;
  if (reader->GetOutputProps(output, &props) != S_OK || !props) return;

  DWORD size = 0;
  HGLOBAL memory = 0;
  WM_MEDIA_TYPE *type = nullptr;
  if (props->GetMediaType(nullptr, &size) == S_OK && size >= sizeof(WM_MEDIA_TYPE))
    memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (memory) type = (WM_MEDIA_TYPE *)GlobalLock(memory);
  if (type && props->GetMediaType(type, &size) == S_OK) {
    bool firstVideo = false;
    if (IsEqualGUID(type->majortype, WMMEDIATYPE_Video)) {
      firstVideo = ++counts->video == 1;
      block->outputKinds[output] = firstVideo ? kOutputKindVideo : kOutputKindOther;
    } else if (IsEqualGUID(type->majortype, WMMEDIATYPE_Audio)) {
      block->outputKinds[output] = kOutputKindFirstAudio + counts->audio++;
    } else {
      block->outputKinds[output] = kOutputKindOther;
    }

    const BYTE *format = type->pbFormat;
    // The record describes the output frames come from, whatever other video follows.
    if (firstVideo && format && IsEqualGUID(type->formattype, WMFORMAT_VideoInfo) &&
        type->cbFormat >= kVideoInfoSize) {
      memcpy(&block->format.bitmap, format + kVideoInfoHeaderOffset, sizeof(BITMAPINFOHEADER));
      if (source) KeepFrameSource(format, type->cbFormat, source);
    }
    if (format && IsEqualGUID(type->formattype, WMFORMAT_WaveFormatEx) &&
        type->cbFormat >= kWaveFormatBytes) {
      memcpy(&block->format.wave, format, kWaveFormatBytes);
      block->format.audioLength = AudioLengthOf(duration, block->format.wave.nSamplesPerSec);
    }
  }
  if (type) GlobalUnlock(memory);
  if (memory) GlobalFree(memory);
  props->Release();
}

}  // namespace

LONG FrameCountOf(QWORD duration) {
  double frames = (double)duration * kFrameCountFactor * kFramesPerSecond;
  // A length past the count's range is held at the largest count, never wrapped.
  if (frames >= (double)kLargestCount) return (LONG)kLargestCount;
  return (LONG)frames;
}

LONGLONG FrameTimeOf(LONG position, LONG frameRate) {
  LONG fps = frameRate / 1000;
  if (fps == 0) return 0;
  return (LONGLONG)position * 10000000 / fps;
}

bool ReadFileFormat(IWMReader *reader, InstanceBlock *block, FrameSource *source) {
  memset(&block->format, 0, sizeof(block->format));
  if (source) memset(source, 0, sizeof(*source));

  QWORD duration = 0;
  if (!ReadDuration(reader, &duration)) return false;
  block->format.frameRate = kImportFrameRate;
  block->format.frameCount = FrameCountOf(duration);

  DWORD outputs = 0;
  if (reader->GetOutputCount(&outputs) != S_OK) return false;
  // Only as many outputs as the kind table holds can be told apart.
  if (outputs > (DWORD)kOutputKindSlots) outputs = kOutputKindSlots;

  ScanCounts counts;
  for (DWORD output = 0; output < outputs; ++output)
    ScanOutput(reader, output, duration, block, source, &counts);

  DWORD flags = 0;
  if (counts.video) flags = kHostFormatImported | kHostFormatVideo;
  if (counts.audio) {
    flags |= kHostFormatAudio;
    if (counts.video) flags |= kHostFormatLongForm;
  }
  block->format.flags = flags;
  return true;
}
