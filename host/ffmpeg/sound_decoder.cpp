// The sound of any file FFmpeg reads, resampled and mixed down to what the plug-in takes.
#include "audio_convert.h"
#include "decoding_input.h"

#include <cstring>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace qvhost {
namespace {

SoundDescription Describe(const AVCodecContext *codec) {
  SoundDescription found;
  found.samplesPerSecond = static_cast<DWORD>(codec->sample_rate);
  found.channels = static_cast<WORD>(codec->ch_layout.nb_channels);
  AVSampleFormat format = codec->sample_fmt;
  found.floatingPoint = format == AV_SAMPLE_FMT_FLT || format == AV_SAMPLE_FMT_FLTP ||
                        format == AV_SAMPLE_FMT_DBL || format == AV_SAMPLE_FMT_DBLP;
  // A 24-bit WAV decodes to 32-bit samples; the file's own depth is the one to tell.
  int bits = codec->bits_per_raw_sample;
  if (bits <= 0) bits = av_get_bytes_per_sample(format) * 8;
  found.bitsPerSample = static_cast<WORD>(bits);
  // A compressed sound's depth is the decoder's, not the file's: name the codec instead.
  const AVCodecDescriptor *descriptor = avcodec_descriptor_get(codec->codec_id);
  bool pcm = descriptor && std::strncmp(descriptor->name, "pcm_", 4) == 0;
  if (!pcm && descriptor) found.coding = descriptor->name;
  return found;
}

// A resampler from the decoded frames' format to `target`. Files often leave the layout
// unnamed ("6 channels"): the usual one for the count is taken, so that the mix-down to
// stereo knows left from right and centre.
int MakeResampler(const AVFrame *first, const SoundDescription &target, SwrContext **resampler) {
  AVChannelLayout inLayout = {};
  if (first->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
    av_channel_layout_default(&inLayout, first->ch_layout.nb_channels);
  else
    av_channel_layout_copy(&inLayout, &first->ch_layout);
  AVChannelLayout outLayout = {};
  av_channel_layout_default(&outLayout, target.channels);
  AVSampleFormat outFormat = target.bitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
  int result = swr_alloc_set_opts2(resampler, &outLayout, outFormat, static_cast<int>(target.samplesPerSecond),
                                   &inLayout, static_cast<AVSampleFormat>(first->format), first->sample_rate, 0,
                                   nullptr);
  if (result >= 0) result = swr_init(*resampler);
  av_channel_layout_uninit(&inLayout);
  av_channel_layout_uninit(&outLayout);
  return result;
}

bool SameSoundFormat(const AVFrame *a, const AVFrame *b) {
  return a->format == b->format && a->sample_rate == b->sample_rate &&
         av_channel_layout_compare(&a->ch_layout, &b->ch_layout) == 0;
}

}  // namespace

bool DecodeSound(const std::string &path, WavAudio *audio, SoundDescription *found, std::string *error) {
  DecodingInput input;
  if (!input.Open(path, AVMEDIA_TYPE_AUDIO, error)) return false;
  AVCodecContext *codec = input.codec();
  if (codec->sample_rate <= 0 || codec->ch_layout.nb_channels <= 0) {
    *error = "'" + path + "' gives no sample rate or channel count for its sound";
    return false;
  }
  *found = Describe(codec);
  SoundDescription target = PlugInSoundFormat(*found);
  const int blockAlign = target.channels * target.bitsPerSample / 8;
  audio->formatTag = WAVE_FORMAT_PCM;
  audio->channels = target.channels;
  audio->samplesPerSecond = target.samplesPerSecond;
  audio->bitsPerSample = target.bitsPerSample;
  audio->blockAlign = static_cast<WORD>(blockAlign);
  audio->bytesPerSecond = target.samplesPerSecond * blockAlign;
  audio->data.clear();

  AVFrame *frame = av_frame_alloc();
  AVFrame *first = av_frame_alloc();  // the format the resampler was made for
  SwrContext *resampler = nullptr;
  std::string failure;
  if (!frame || !first) failure = "no memory to decode the sound of '" + path + "'";
  // Each pass converts one decoded frame; the last pass (no frame) drains the resampler.
  for (bool more = true; more && failure.empty();) {
    more = input.Next(frame, &failure);
    if (!failure.empty()) break;
    if (more && !resampler) {
      av_frame_ref(first, frame);
      int made = MakeResampler(first, target, &resampler);
      if (made < 0) failure = "cannot convert the sound of '" + path + "': " + AvErrorText(made);
    } else if (more && !SameSoundFormat(first, frame)) {
      failure = "the sound of '" + path + "' changes its format part way through";
    }
    if (!failure.empty() || !resampler) break;
    const uint8_t **in = more ? const_cast<const uint8_t **>(frame->extended_data) : nullptr;
    int inCount = more ? frame->nb_samples : 0;
    int room = swr_get_out_samples(resampler, inCount);
    if (room < 0) room = 0;
    size_t at = audio->data.size();
    audio->data.resize(at + static_cast<size_t>(room) * blockAlign);
    uint8_t *out = audio->data.data() + at;
    int made = swr_convert(resampler, &out, room, in, inCount);
    if (made < 0) {
      failure = "cannot convert the sound of '" + path + "': " + AvErrorText(made);
      break;
    }
    audio->data.resize(at + static_cast<size_t>(made) * blockAlign);
    if (more) av_frame_unref(frame);
  }
  av_frame_free(&frame);
  av_frame_free(&first);
  swr_free(&resampler);
  if (!failure.empty()) {
    *error = failure;
    return false;
  }
  if (audio->data.empty()) {
    *error = "'" + path + "' holds no sound samples";
    return false;
  }
  return true;
}

}  // namespace qvhost
