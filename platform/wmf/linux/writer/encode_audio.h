// PCM input to Windows Media Audio (FFmpeg's wmav2) at the input's sample rate and
// channels. The codec takes planar float frames of a fixed size: the input is
// converted, gathered in a queue and cut into frames; the last frame is padded with
// silence. The codec's priming frame is stamped before 0, so that decoded sound
// lines up with the video.
#ifndef QV_WMF_ENCODE_AUDIO_H
#define QV_WMF_ENCODE_AUDIO_H

#include "encode_output.h"

struct AVAudioFifo;
struct SwrContext;

namespace wmf {

class AudioEncoder {
 public:
  AudioEncoder() = default;
  AudioEncoder(const AudioEncoder &) = delete;
  AudioEncoder &operator=(const AudioEncoder &) = delete;
  ~AudioEncoder();

  // `format` was accepted by CheckAudioInput.
  HRESULT Open(const WAVEFORMATEX &format, DWORD bitrate, AsfFile &file);
  // Whole sample frames of `data` starting at `time` (100 ns units); a trailing
  // partial sample frame is ignored. A gap before `time` becomes silence (up to a
  // minute; a longer one becomes a jump in the time stamps).
  HRESULT Encode(const BYTE *data, DWORD length, QWORD time, AsfFile &file);
  // The end of the stream: pads and writes the last frame and what the codec holds.
  HRESULT Finish(AsfFile &file);

 private:
  HRESULT AppendSilence(long long count);
  HRESULT FillGap(long long count, AsfFile &file);
  HRESULT EncodeFullFrames(AsfFile &file, bool padLast);

  EncodedStream out_;
  SwrContext *convert_ = nullptr;
  AVAudioFifo *queue_ = nullptr;
  AVFrame *frame_ = nullptr;
  BYTE **scratch_ = nullptr;  // planar float, one slice of converted samples
  int channels_ = 0;
  int blockAlign_ = 0;
  int sampleRate_ = 0;
  bool started_ = false;
  long long queueStart_ = 0;  // sample number of the queue's first sample
};

}  // namespace wmf

#endif
