// The reader's second decoder for frame-after-frame reading.
#include "reader_interval_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "reader_frame_cache.h"
#include "reader_pipeline.h"
#include "reader_picture_pool.h"

namespace wmf {

namespace {

constexpr AVRational kUnits = {1, 10000000};

}  // namespace

ReaderIntervalDecoder::ReaderIntervalDecoder(const std::string &path, const Stream &stream,
                                             const AVCodecParameters &parameters, ReaderFrameCache *cache,
                                             ReaderPicturePool *pictures, const std::atomic<bool> *cancel)
    : path_(path), stream_(stream), cache_(cache), pictures_(pictures), cancel_(cancel) {
  parameters_ = avcodec_parameters_alloc();
  if (parameters_ && avcodec_parameters_copy(parameters_, &parameters) < 0) avcodec_parameters_free(&parameters_);
}

ReaderIntervalDecoder::~ReaderIntervalDecoder() {
  av_frame_free(&held_);
  av_frame_free(&frame_);
  av_packet_free(&packet_);
  avcodec_free_context(&codec_);
  avcodec_parameters_free(&parameters_);
}

// Opened only once a run needs it: most readers never read frame after frame.
bool ReaderIntervalDecoder::Open() {
  if (!parameters_ || stream_.index < 0) return false;
  // The stream's parameters came with the reader's own open: the header is enough.
  if (demuxer_.Open(path_, cancel_, true) != S_OK) return false;
  if (stream_.index >= static_cast<int>(demuxer_.StreamCount())) return false;
  for (unsigned i = 0; i < demuxer_.StreamCount(); ++i)
    demuxer_.Stream(static_cast<int>(i))->discard = static_cast<int>(i) == stream_.index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
  // Set up as the reader's own decoder is, so that the pictures are the same.
  const AVCodec *decoder = avcodec_find_decoder(parameters_->codec_id);
  codec_ = decoder ? avcodec_alloc_context3(decoder) : nullptr;
  if (!codec_ || avcodec_parameters_to_context(codec_, parameters_) < 0) return false;
  codec_->pkt_timebase = AVRational{stream_.timeBaseNum, stream_.timeBaseDen};
  if (pictures_) pictures_->Serve(codec_);
  if (avcodec_open2(codec_, decoder, nullptr) < 0) return false;
  packet_ = av_packet_alloc();
  frame_ = av_frame_alloc();
  held_ = av_frame_alloc();
  return packet_ && frame_ && held_;
}

// Joins a run: seeks near where the reader's own decoder has got to, and takes
// intervals that start after it.
bool ReaderIntervalDecoder::Join() {
  after_ = cache_->JoinPoint();
  const AVRational timeBase{stream_.timeBaseNum, stream_.timeBaseDen};
  const int64_t at = av_rescale_q(after_ > 0 ? after_ : 0, kUnits, timeBase);
  avcodec_flush_buffers(codec_);
  av_frame_unref(held_);
  if (!demuxer_.SeekBack(stream_.index, at)) return false;
  state_ = State::Scanning;
  return true;
}

void ReaderIntervalDecoder::EndClaim(bool whole) {
  cache_->EndInterval(claim_, whole);
  av_frame_unref(held_);
  state_ = State::Scanning;  // what is left of an interval given up is passed over
}

// The held picture is shown until `end`. An interval without room in the cache is
// given up: the reader's own decoder takes it.
void ReaderIntervalDecoder::Settle(int64_t end) {
  if (!held_->buf[0]) return;
  if (cache_->Put(*held_, heldTime_, end, false, claim_) == ReaderFrameCache::Kept::NoRoom) {
    EndClaim(false);
    return;
  }
  av_frame_unref(held_);
}

// Pictures are timed as the reader's own decoder times them (see
// ReaderPipeline::TakeVideoFrame).
void ReaderIntervalDecoder::Decode(const AVPacket *packet) {
  if (avcodec_send_packet(codec_, packet) < 0) return;  // damaged data: skip the packet
  const AVRational timeBase{stream_.timeBaseNum, stream_.timeBaseDen};
  while (avcodec_receive_frame(codec_, frame_) >= 0) {
    const int64_t stamp = frame_->best_effort_timestamp;
    int64_t time = stamp == AV_NOPTS_VALUE ? nextTime_ : av_rescale_q(stamp, timeBase, kUnits);
    if (held_->buf[0]) {
      if (time <= heldTime_) time = heldTime_ + stream_.frameDuration;
      Settle(time);
    }
    if (state_ == State::Decoding) {
      av_frame_move_ref(held_, frame_);
      heldTime_ = time;
      nextTime_ = time + stream_.frameDuration;
    }
    av_frame_unref(frame_);
  }
}

// The file ends: the last picture lasts a frame, but not past the file's end.
void ReaderIntervalDecoder::Drain() {
  Decode(nullptr);
  if (state_ != State::Decoding) return;
  int64_t end = heldTime_ + stream_.frameDuration;
  if (stream_.fileEnd > heldTime_ && stream_.fileEnd < end) end = stream_.fileEnd;
  Settle(end);
  if (state_ == State::Decoding) EndClaim(true);
}

bool ReaderIntervalDecoder::Step() {
  resumesAt_ = INT64_MIN;
  if (broken_) return false;
  const uint64_t run = cache_->Run();
  if (run == 0 || run != run_) {
    // A new run, or none: what this decoder did belongs to the last one.
    if (state_ == State::Decoding) EndClaim(false);
    if (parked_) av_packet_unref(packet_);
    parked_ = false;
    state_ = State::Idle;
    run_ = run;
    if (run == 0) return false;
  }
  if (state_ == State::Done) return false;
  if (!demuxer_.Format() && !Open()) {
    broken_ = true;
    return false;
  }
  if (state_ == State::Idle && !Join()) {
    state_ = State::Done;
    return false;
  }
  if (!parked_ && !demuxer_.Read(packet_)) {
    if (state_ == State::Decoding) Drain();
    state_ = State::Done;
    return false;
  }
  parked_ = false;
  if (packet_->stream_index != stream_.index) {
    av_packet_unref(packet_);
    return true;
  }
  if (packet_->flags & AV_PKT_FLAG_KEY) {
    if (packet_->pts == AV_NOPTS_VALUE) {  // intervals cannot be told apart
      if (state_ == State::Decoding) EndClaim(false);
      av_packet_unref(packet_);
      state_ = State::Done;
      return false;
    }
    int64_t time = av_rescale_q(packet_->pts, AVRational{stream_.timeBaseNum, stream_.timeBaseDen}, kUnits);
    if (state_ == State::Decoding) {
      // The interval ends where the next one starts.
      Settle(held_->buf[0] && time <= heldTime_ ? heldTime_ + stream_.frameDuration : time);
      if (state_ == State::Decoding) EndClaim(true);
      avcodec_flush_buffers(codec_);
    }
    if (time <= after_) {  // the reader's own decoder is there
      av_packet_unref(packet_);
      return true;
    }
    switch (cache_->ClaimInterval(time)) {
      case ReaderFrameCache::Claim::Mine:
        claim_ = time;
        state_ = State::Decoding;
        break;
      case ReaderFrameCache::Claim::Taken:
        av_packet_unref(packet_);
        return true;
      case ReaderFrameCache::Claim::TooFar:
        parked_ = true;
        resumesAt_ = cache_->ClaimableFrom(time);
        return false;
      case ReaderFrameCache::Claim::NoRun:
        av_packet_unref(packet_);
        return false;
    }
  }
  if (state_ == State::Decoding) Decode(packet_);
  av_packet_unref(packet_);
  return true;
}

void ReaderIntervalDecoder::Stop() {
  if (state_ == State::Decoding) EndClaim(false);
  if (parked_) av_packet_unref(packet_);
  parked_ = false;
  state_ = State::Done;
}

}  // namespace wmf
