// An output's decoding: a packet into frames, and each frame into a sample.
//
// A video frame is held back until the next one's time says where it ends (see
// reader_pipeline.cpp); settled, it goes where route_ says: to the host as a sample
// converted to the output's format, and into the cache in the decoder's own format.
// Audio goes to the host as soon as it is decoded, cut to the wanted stretch.
#include "reader_pipeline.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "reader_frame_cache.h"
#include "reader_pipeline_output.h"

namespace wmf {

using namespace pipeline;

void ReaderPipeline::DecodePacket(Output &output, const AVPacket *packet) {
  if (avcodec_send_packet(output.codec, packet) < 0) return;  // damaged data: skip the packet
  while (avcodec_receive_frame(output.codec, frame_) >= 0) {
    if (output.video)
      TakeVideoFrame(output, frame_);
    else
      TakeAudioFrame(output, frame_);
    av_frame_unref(frame_);
  }
}

void ReaderPipeline::TakeVideoFrame(Output &output, AVFrame *frame) {
  const int64_t stamp = frame->best_effort_timestamp;
  int64_t time = stamp == AV_NOPTS_VALUE ? output.nextTime : av_rescale_q(stamp, output.timeBase, kUnits);
  if (output.Holds()) {
    if (time <= output.heldTime) time = output.heldTime + output.frameDuration;  // disordered stamps
    SettleHeldFrame(output, time);
  }
  if (!output.held) output.held = av_frame_alloc();
  if (!output.held) return;
  av_frame_move_ref(output.held, frame);
  output.heldTime = time;
  output.nextTime = time + output.frameDuration;
}

// The held frame is shown until `end` (the next frame's time; the exact end of the
// file for the last frame): hand it out unless it ends before the wanted time.
// `exactEnd` is false when the picture's end is only guessed (the wanted stretch
// ended before the next picture was read): the cache keeps only exact spans. It
// keeps what a seek decodes and what is read ahead, not what plain forward play
// decodes: a host going frame after frame does not come back, and every picture
// kept is a fresh buffer for the decoder.
void ReaderPipeline::SettleHeldFrame(Output &output, int64_t end, bool exactEnd) {
  const int64_t shownUntil = end - kTolerance;
  const bool ahead = route_ == Route::Cache;
  if (cache_ && exactEnd && output.index == primaryOutput_ && route_ != Route::Host) {
    const ReaderFrameCache::Kept kept =
        cache_->Put(*output.held, output.heldTime, end, ahead, ahead ? claimed_ : ReaderFrameCache::kNoInterval);
    // Decoding again what is kept already, or what has no room, is not worth it; but
    // an interval claimed may hold what the interval decoder left when it gave it up.
    if (ahead && (kept == ReaderFrameCache::Kept::NoRoom ||
                  (kept == ReaderFrameCache::Kept::AlreadyThere && claimed_ == ReaderFrameCache::kNoInterval)))
      aheadDone_ = true;
  }
  if (ahead) {  // into the cache only
    av_frame_unref(output.held);
    return;
  }
  if (shownUntil > target_ && shownUntil > output.deliveredUntil && output.heldTime < end_)
    EmitVideo(output, output.held, output.heldTime, end - output.heldTime);
  av_frame_unref(output.held);
}

void ReaderPipeline::EmitVideo(Output &output, AVFrame *frame, int64_t time, int64_t duration) {
  ReaderSample sample;
  if (!ConvertPicture(output, frame, time, duration, &sample)) return;
  if (output.discontinuity) sample.flags |= WM_SF_DISCONTINUITY;
  output.discontinuity = false;
  ready_.push_back(std::move(sample));
}

bool ReaderPipeline::ConvertPicture(Output &output, AVFrame *frame, int64_t time, int64_t duration,
                                    ReaderSample *sample) {
  std::unique_ptr<SampleBuffer, ComRelease> buffer(buffers_.Take(output.picture->BufferSize()));
  if (!buffer || !output.picture->Convert(*frame, buffer->Data())) return false;
  buffer->SetLength(output.picture->ImageSize());
  sample->output = output.index;
  sample->time = static_cast<QWORD>(time < 0 ? 0 : time);
  sample->duration = static_cast<QWORD>(duration > 0 ? duration : 0);
  sample->flags = 0;
  if (frame->key_frame) sample->flags |= WM_SF_CLEANPOINT;
  if (frame->decode_error_flags || (frame->flags & AV_FRAME_FLAG_CORRUPT)) sample->flags |= WM_SF_DATALOSS;
  sample->buffer.reset(buffer.release());
  return true;
}

void ReaderPipeline::TakeAudioFrame(Output &output, AVFrame *frame) {
  if (frame->nb_samples <= 0 || route_ == Route::Cache) return;
  const int64_t stamp = frame->best_effort_timestamp;
  int64_t time = stamp == AV_NOPTS_VALUE ? output.nextTime : av_rescale_q(stamp, output.timeBase, kUnits);
  const int rate = frame->sample_rate > 0 ? frame->sample_rate : output.sampleRate;
  const int64_t length = av_rescale(frame->nb_samples, kUnitsPerSecond, rate);
  output.nextTime = time + length;
  if (time + length <= target_ || time >= end_) return;

  const DWORD capacity = output.sound->MaxBytes(*frame);
  if (capacity == 0) return;
  std::unique_ptr<SampleBuffer, ComRelease> buffer(buffers_.Take(capacity));
  if (!buffer) return;
  int samples = output.sound->Convert(*frame, buffer->Data(), capacity);
  if (samples <= 0) return;
  if (time < 0) {
    // The encoder's priming lies before the file's start: drop that part.
    const int skip = static_cast<int>(av_rescale(-time, output.sampleRate, kUnitsPerSecond));
    if (skip >= samples) return;
    const DWORD align = output.sound->BlockAlign();
    std::memmove(buffer->Data(), buffer->Data() + skip * align, static_cast<size_t>(samples - skip) * align);
    samples -= skip;
    time = 0;
  }
  buffer->SetLength(static_cast<DWORD>(samples) * output.sound->BlockAlign());
  ReaderSample sample;
  sample.output = output.index;
  sample.time = static_cast<QWORD>(time);
  sample.duration = static_cast<QWORD>(av_rescale(samples, kUnitsPerSecond, output.sampleRate));
  sample.flags = WM_SF_CLEANPOINT | (output.discontinuity ? WM_SF_DISCONTINUITY : 0);
  output.discontinuity = false;
  sample.buffer.reset(buffer.release());
  ready_.push_back(std::move(sample));
}

}  // namespace wmf
