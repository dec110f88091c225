// Audio encoding for the writer.
#include "encode_audio.h"

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace wmf {

namespace {
constexpr long long kUnitsPerSecond = 10000000;
constexpr long long kLongestSilence = 60;  // seconds of a gap filled with silence
constexpr int kSliceSamples = 16384;
}

AudioEncoder::~AudioEncoder() {
  FreeEncodedStream(out_);
  swr_free(&convert_);
  if (queue_) av_audio_fifo_free(queue_);
  av_frame_free(&frame_);
  if (scratch_) av_freep(&scratch_[0]);
  av_freep(&scratch_);
}

HRESULT AudioEncoder::Open(const WAVEFORMATEX &format, DWORD bitrate, AsfFile &file) {
  channels_ = format.nChannels;
  sampleRate_ = static_cast<int>(format.nSamplesPerSec);
  blockAlign_ = channels_ * format.wBitsPerSample / 8;

  const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
  if (!codec) return NS_E_INVALID_OUTPUT_FORMAT;
  out_.codec = avcodec_alloc_context3(codec);
  frame_ = av_frame_alloc();
  if (!out_.codec || !frame_) return E_OUTOFMEMORY;
  AVCodecContext *c = out_.codec;
  c->sample_fmt = AV_SAMPLE_FMT_FLTP;
  c->sample_rate = sampleRate_;
  av_channel_layout_default(&c->ch_layout, channels_);
  c->bit_rate = std::max<DWORD>(bitrate, 24000);  // the least the codec takes
  c->time_base = AVRational{1, sampleRate_};
  HRESULT hr = OpenEncodedStream(out_, file);
  if (FAILED(hr)) return hr;
  out_.packetDuration = c->frame_size;

  const AVSampleFormat input = format.wBitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
  if (swr_alloc_set_opts2(&convert_, &c->ch_layout, AV_SAMPLE_FMT_FLTP, sampleRate_, &c->ch_layout, input,
                          sampleRate_, 0, nullptr) < 0 ||
      swr_init(convert_) < 0)
    return E_OUTOFMEMORY;
  queue_ = av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, channels_, c->frame_size * 2);
  if (!queue_) return E_OUTOFMEMORY;
  if (av_samples_alloc_array_and_samples(reinterpret_cast<uint8_t ***>(&scratch_), nullptr, channels_, kSliceSamples,
                                         AV_SAMPLE_FMT_FLTP, 0) < 0)
    return E_OUTOFMEMORY;

  frame_->format = AV_SAMPLE_FMT_FLTP;
  frame_->nb_samples = c->frame_size;
  frame_->sample_rate = sampleRate_;
  if (av_channel_layout_copy(&frame_->ch_layout, &c->ch_layout) < 0 || av_frame_get_buffer(frame_, 0) < 0)
    return E_OUTOFMEMORY;
  return S_OK;
}

HRESULT AudioEncoder::AppendSilence(long long count) {
  const int frameSize = out_.codec->frame_size;
  while (count > 0) {
    const int chunk = static_cast<int>(std::min<long long>(count, frameSize));
    if (av_frame_make_writable(frame_) < 0) return E_OUTOFMEMORY;
    av_samples_set_silence(frame_->data, 0, chunk, channels_, AV_SAMPLE_FMT_FLTP);
    if (av_audio_fifo_write(queue_, reinterpret_cast<void **>(frame_->data), chunk) < chunk) return E_OUTOFMEMORY;
    count -= chunk;
  }
  return S_OK;
}

HRESULT AudioEncoder::FillGap(long long count, AsfFile &file) {
  // Silence keeps the sound continuous for players that do not follow time stamps.
  // A gap beyond reason is only filled up to the next frame boundary: the frames
  // after it are then stamped later instead.
  const int frameSize = out_.codec->frame_size;
  if (count > kLongestSilence * sampleRate_)
    count = (frameSize - av_audio_fifo_size(queue_) % frameSize) % frameSize;
  while (count > 0) {
    const long long chunk = std::min<long long>(count, frameSize);
    HRESULT hr = AppendSilence(chunk);
    if (SUCCEEDED(hr)) hr = EncodeFullFrames(file, false);
    if (FAILED(hr)) return hr;
    count -= chunk;
  }
  return S_OK;
}

HRESULT AudioEncoder::EncodeFullFrames(AsfFile &file, bool padLast) {
  const int frameSize = out_.codec->frame_size;
  for (;;) {
    const int queued = av_audio_fifo_size(queue_);
    if (queued == 0 || (queued < frameSize && !padLast)) return S_OK;
    if (av_frame_make_writable(frame_) < 0) return E_OUTOFMEMORY;
    const int taken = av_audio_fifo_read(queue_, reinterpret_cast<void **>(frame_->data), frameSize);
    if (taken < 0) return ResultOfAv(taken);
    if (taken < frameSize)
      av_samples_set_silence(frame_->data, taken, frameSize - taken, channels_, AV_SAMPLE_FMT_FLTP);
    frame_->pts = queueStart_;
    queueStart_ += frameSize;
    HRESULT hr = EncodeAndWrite(out_, frame_, file);
    if (FAILED(hr)) return hr;
  }
}

HRESULT AudioEncoder::Encode(const BYTE *data, DWORD length, QWORD time, AsfFile &file) {
  if (!out_.codec) return E_UNEXPECTED;
  const DWORD samples = length / static_cast<DWORD>(blockAlign_);
  if (samples == 0) return S_OK;

  // Where this piece belongs; the first piece sets the stream's start.
  const long long at = av_rescale_rnd(static_cast<int64_t>(time), sampleRate_, kUnitsPerSecond, AV_ROUND_NEAR_INF);
  const long long next = queueStart_ + av_audio_fifo_size(queue_);
  if (!started_) {
    // FFmpeg's decoder drops what the first frames of a stream decode to: a frame of
    // silence ahead of the sound takes that loss, so that the sound from its first
    // sample is heard at its own time.
    started_ = true;
    queueStart_ = at - out_.codec->frame_size;
    HRESULT hr = AppendSilence(out_.codec->frame_size);
    if (FAILED(hr)) return hr;
  } else if (at > next + 1) {
    HRESULT hr = FillGap(at - next, file);
    if (FAILED(hr)) return hr;
    if (av_audio_fifo_size(queue_) == 0) queueStart_ = std::max(queueStart_, at);
  }

  // Converted a slice at a time, so that a large piece needs no large buffer.
  for (DWORD done = 0; done < samples;) {
    const int slice = static_cast<int>(std::min<DWORD>(samples - done, kSliceSamples));
    const uint8_t *in[1] = {data + static_cast<size_t>(done) * blockAlign_};
    const int converted = swr_convert(convert_, scratch_, slice, in, slice);
    if (converted < 0) return ResultOfAv(converted);
    if (av_audio_fifo_write(queue_, reinterpret_cast<void **>(scratch_), converted) < converted) return E_OUTOFMEMORY;
    HRESULT hr = EncodeFullFrames(file, false);
    if (FAILED(hr)) return hr;
    done += static_cast<DWORD>(slice);
  }
  return S_OK;
}

HRESULT AudioEncoder::Finish(AsfFile &file) {
  if (!out_.codec) return E_UNEXPECTED;
  if (!started_) return EncodeAndWrite(out_, nullptr, file);
  // Each packet carries the overlap with the frame before it, and the codec keeps
  // no frames back: the last samples come out only with one more frame after them.
  out_.contentEnd = queueStart_ + av_audio_fifo_size(queue_);
  HRESULT hr = EncodeFullFrames(file, true);
  if (SUCCEEDED(hr)) hr = AppendSilence(out_.codec->frame_size);
  if (SUCCEEDED(hr)) hr = EncodeFullFrames(file, true);
  if (FAILED(hr)) return hr;
  return EncodeAndWrite(out_, nullptr, file);
}

}  // namespace wmf
