// Audio conversion with libswresample.
#include "reader_audio_converter.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

namespace wmf {

ReaderAudioConverter::~ReaderAudioConverter() { swr_free(&swr_); }

void ReaderAudioConverter::Reset() { swr_free(&swr_); }

bool ReaderAudioConverter::Configure(const AVFrame &frame) {
  const int channels = frame.ch_layout.nb_channels;
  if (swr_ && frame.sample_rate == inRate_ && frame.format == inFormat_ && channels == inChannels_) return true;
  swr_free(&swr_);
  if (frame.sample_rate <= 0 || channels <= 0) return false;
  AVChannelLayout in{}, out{};
  if (av_channel_layout_check(&frame.ch_layout))
    av_channel_layout_copy(&in, &frame.ch_layout);
  else
    av_channel_layout_default(&in, channels);
  av_channel_layout_default(&out, channels_);
  const int rc = swr_alloc_set_opts2(&swr_, &out, AV_SAMPLE_FMT_S16, rate_, &in,
                                     static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr);
  av_channel_layout_uninit(&in);
  av_channel_layout_uninit(&out);
  if (rc < 0 || swr_init(swr_) < 0) {
    swr_free(&swr_);
    return false;
  }
  inRate_ = frame.sample_rate;
  inFormat_ = frame.format;
  inChannels_ = channels;
  return true;
}

DWORD ReaderAudioConverter::MaxBytes(const AVFrame &frame) {
  if (!Configure(frame)) return 0;
  const int samples = swr_get_out_samples(swr_, frame.nb_samples);
  return samples > 0 ? static_cast<DWORD>(samples) * BlockAlign() : 0;
}

int ReaderAudioConverter::Convert(const AVFrame &frame, BYTE *pcm, DWORD capacity) {
  if (!Configure(frame)) return -1;
  uint8_t *out[1] = {pcm};
  const int room = static_cast<int>(capacity / BlockAlign());
  return swr_convert(swr_, out, room, const_cast<const uint8_t **>(frame.extended_data), frame.nb_samples);
}

}  // namespace wmf
