// Turns decoded audio into interleaved 16-bit PCM at the stream's rate and channels.
#ifndef QV_WMF_READER_AUDIO_CONVERTER_H
#define QV_WMF_READER_AUDIO_CONVERTER_H

#include "wmf.h"

struct AVFrame;
struct SwrContext;

namespace wmf {

class ReaderAudioConverter {
 public:
  ReaderAudioConverter(int sampleRate, int channels) : rate_(sampleRate), channels_(channels) {}
  ~ReaderAudioConverter();
  ReaderAudioConverter(const ReaderAudioConverter &) = delete;
  ReaderAudioConverter &operator=(const ReaderAudioConverter &) = delete;

  DWORD BlockAlign() const { return static_cast<DWORD>(channels_) * 2; }
  // Most bytes Convert can write for this frame.
  DWORD MaxBytes(const AVFrame &frame);
  // Converts the frame into `pcm`; returns the samples written per channel, or -1.
  int Convert(const AVFrame &frame, BYTE *pcm, DWORD capacity);
  // Forgets the resampler's history (after a seek).
  void Reset();

 private:
  bool Configure(const AVFrame &frame);
  int rate_;
  int channels_;
  SwrContext *swr_ = nullptr;
  int inRate_ = 0;
  int inFormat_ = -1;
  int inChannels_ = 0;
};

}  // namespace wmf

#endif
