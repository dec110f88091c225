// Writer setup: profile, writer, inputs declared as RGB24 video and PCM audio.
#include "export_writer.h"

#include "export_format.h"
#include "export_profile.h"
#include "module_state.h"
#include "wmf.h"

static_assert(sizeof(VIDEOINFOHEADER) == 88, "the runtime takes an 88-byte VIDEOINFOHEADER");

namespace {

template <class T>
void ReleaseField(T **field) {
  if (*field) (*field)->Release();
  *field = nullptr;
}

// Adopts `props` as the input of its kind; a later input of a kind replaces an earlier.
void KeepInput(IWMInputMediaProps **field, LONG *number, IWMInputMediaProps *props, DWORD input) {
  ReleaseField(field);
  *field = props;
  *number = static_cast<LONG>(input);
}

// Finds the writer's audio and video inputs. Anything else is reported to the user.
bool FindInputs(InstanceBlock *block) {
  DWORD count = 0;
  if (block->writer->GetInputCount(&count) != S_OK) count = 0;
  block->videoInputNumber = -1;
  block->audioInputNumber = -1;
  for (DWORD input = 0; input < count; ++input) {
    IWMInputMediaProps *props = nullptr;
    GUID type = {};
    if (block->writer->GetInputProps(input, &props) != S_OK || !props || props->GetType(&type) != S_OK) {
      if (props) props->Release();
      return false;
    }
    if (IsEqualGUID(type, WMMEDIATYPE_Audio)) {
      KeepInput(&block->audioInput, &block->audioInputNumber, props, input);
    } else if (IsEqualGUID(type, WMMEDIATYPE_Video)) {
      KeepInput(&block->videoInput, &block->videoInputNumber, props, input);
    } else {
      MessageBoxA(nullptr, "The selected output format contains an unrecognized media type.", "Windows Media Error",
                  MB_OK);
      props->Release();
      return false;
    }
  }
  return block->audioInput || block->videoInput;
}

// Declares PCM audio. The format block lives on the stack, so it is gone once the
// writer has taken it. An input the writer will not take would read the host's
// pieces in its own format: the setup fails instead.
bool DeclareAudio(InstanceBlock *block) {
  const HostWaveFormat &host = block->format.wave;
  WAVEFORMATEX wave = {};
  wave.wFormatTag = host.wFormatTag;
  wave.nChannels = host.nChannels;
  wave.nSamplesPerSec = host.nSamplesPerSec;
  wave.nAvgBytesPerSec = host.nAvgBytesPerSec;
  wave.nBlockAlign = host.nBlockAlign;
  wave.wBitsPerSample = host.wBitsPerSample;
  wave.cbSize = 0;
  WM_MEDIA_TYPE type = {};
  type.majortype = WMMEDIATYPE_Audio;
  type.subtype = WMMEDIASUBTYPE_PCM;
  type.bFixedSizeSamples = TRUE;
  type.bTemporalCompression = FALSE;
  type.lSampleSize = host.nBlockAlign;
  type.formattype = WMFORMAT_WaveFormatEx;
  type.pUnk = nullptr;
  type.cbFormat = sizeof(WAVEFORMATEX);
  type.pbFormat = reinterpret_cast<BYTE *>(&wave);
  return block->audioInput->SetMediaType(&type) == S_OK &&
         block->writer->SetInputProps(static_cast<DWORD>(block->audioInputNumber), block->audioInput) == S_OK;
}

// Declares bottom-up RGB24 video of the record's size and rate.
bool DeclareVideo(InstanceBlock *block) {
  const HostFormat &format = block->format;
  DWORD imageSize = format.bitmap.biSizeImage;
  VIDEOINFOHEADER video = {};
  video.rcSource.right = video.rcTarget.right = format.bitmap.biWidth;
  video.rcSource.bottom = video.rcTarget.bottom = format.bitmap.biHeight;
  video.dwBitRate = format.frameRate > 0 ? VideoBitRate(format.frameRate, imageSize) : 0;
  video.dwBitErrorRate = 0;
  video.AvgTimePerFrame = format.frameRate > 0 ? 10000000000LL / format.frameRate : 0;
  video.bmiHeader = format.bitmap;
  WM_MEDIA_TYPE type = {};
  type.majortype = WMMEDIATYPE_Video;
  type.subtype = WMMEDIASUBTYPE_RGB24;
  type.bFixedSizeSamples = TRUE;
  type.bTemporalCompression = FALSE;
  type.lSampleSize = imageSize;
  type.formattype = WMFORMAT_VideoInfo;
  type.pUnk = nullptr;
  type.cbFormat = sizeof(VIDEOINFOHEADER);
  type.pbFormat = reinterpret_cast<BYTE *>(&video);
  return block->videoInput->SetMediaType(&type) == S_OK &&
         block->writer->SetInputProps(static_cast<DWORD>(block->videoInputNumber), block->videoInput) == S_OK;
}

bool SetUpSteps(InstanceBlock *block, LPCWSTR fileName) {
  if (WMCreateProfileManager(&block->profileManager) != S_OK || !block->profileManager) return false;
  if (SelectSystemProfileVersion7(block->profileManager) != S_OK) return false;
  block->profile = LoadSelectedProfile(block->profileManager);
  if (!block->profile) return false;
  if (WMCreateWriterPriv(&block->writer) != S_OK || !block->writer) return false;
  if (block->writer->SetOutputFilename(fileName) != S_OK) return false;
  block->writer->SetProfile(block->profile);
  if (!FindInputs(block)) return false;
  if ((block->format.flags & kHostFormatAudio) && block->audioInput && !DeclareAudio(block)) return false;
  if ((block->format.flags & kHostFormatVideo) && block->videoInput && !DeclareVideo(block)) return false;
  return block->writer->BeginWriting() == S_OK;
}

}  // namespace

void ReleaseExportObjects(InstanceBlock *block) {
  ReleaseField(&block->profile);
  ReleaseField(&block->videoInput);
  ReleaseField(&block->audioInput);
  ReleaseField(&block->writer);
  ReleaseField(&block->profileManager);
}

BOOL SetUpWriter(InstanceBlock *block, LPCWSTR fileName) {
  // A setup that failed before released everything, so the fields start empty.
  if (SetUpSteps(block, fileName)) return TRUE;
  ReleaseExportObjects(block);
  return FALSE;
}
