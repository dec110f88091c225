// Reading ahead into the cache, and starts served from it.
//
// Between starts a thread of the session decodes the video output's pictures after
// the last one delivered into the cache only (see reader_frame_cache.h), with the
// decoder the next start takes back: a start a little ahead then finds its picture
// decoded. Reading frame after frame, it shares the key-frame intervals with the
// interval decoder: it passes over those the other claimed, and parks the key frame
// of one that lies too far ahead until the focus moves on.
#include "reader_pipeline.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "reader_frame_cache.h"
#include "reader_pipeline_output.h"

namespace wmf {

using namespace pipeline;

bool ReaderPipeline::TakeFromCache(QWORD start, QWORD length, ReaderSample *sample) {
  if (!cache_) return false;
  if (!taken_) taken_ = av_frame_alloc();
  if (!taken_) return false;
  const int64_t from = start > static_cast<QWORD>(INT64_MAX / 2) ? INT64_MAX / 2 : static_cast<int64_t>(start);
  const int64_t until = length == 0 || length > static_cast<QWORD>(INT64_MAX / 2) ? INT64_MAX
                                                                                  : from + static_cast<int64_t>(length);
  int64_t time = 0, end = 0;
  if (!cache_->Take(from, kTolerance, kContinueWindow, taken_, &time, &end)) return false;
  Output &output = *outputs_[primaryOutput_];
  const bool made = time < until && ConvertPicture(output, taken_, time, end - time, sample);
  av_frame_unref(taken_);
  if (!made) return false;
  sample->flags |= WM_SF_DISCONTINUITY;  // a new run begins
  servedUntil_ = end - kTolerance;
  cache_->SetFocus(time);
  return true;
}

bool ReaderPipeline::TakeFromCacheHeld(QWORD start, QWORD length, ReaderSample *sample) {
  if (cache_) cache_->SetReadingAhead(false);
  return TakeFromCache(start, length, sample);
}

void ReaderPipeline::EndReadAhead() {
  if (!cache_) return;
  cache_->SetReadingAhead(false);
  cache_->EndIntervals();
}

// One more packet of the video output decoded into the cache, from where the last
// start left the decoder; false when reading further ahead is not worth it: the
// pictures ahead are kept already or would not fit, the file ends, or the reading
// has reached the cache's horizon ahead of the host, or an interval it may not claim
// yet (it goes on once the focus moves, see AheadResumesAt).
bool ReaderPipeline::ReadAhead() {
  // A file with no outputs at all (a damaged one) has no primary output to look at.
  bool more = cache_ && primaryOutput_ < outputs_.size();
  Output *video = more ? outputs_[primaryOutput_].get() : nullptr;
  more = more && video->video && place_ == Place::FollowingOn && landingsDue_ == 0;
  if (!more) {
    if (cache_) cache_->SetReadingAhead(false);
    return false;
  }
  aheadResumesAt_ = INT64_MIN;
  // At the horizon: on again once the focus moves.
  if (video->Holds() && !cache_->WantsAhead(video->heldTime)) {
    aheadResumesAt_ = cache_->AheadResumesAt(video->heldTime);
    return false;
  }
  cache_->SetReadingAhead(true);
  route_ = Route::Cache;
  if (ahead_ == Ahead::Off) ahead_ = Ahead::Decoding;  // the other outputs' packets are passed over from here on
  aheadDone_ = false;
  if (ahead_ == Ahead::Parked) {
    av_packet_move_ref(packet_, parked_);
    ahead_ = Ahead::Decoding;
  } else if (!demuxer_.Read(packet_)) {
    Finish(true);
    aheadDone_ = true;
  }
  if (!aheadDone_) {
    if (packet_->stream_index == video->stream && (!video->waitKey || (packet_->flags & AV_PKT_FLAG_KEY))) {
      video->waitKey = false;
      const bool key = (packet_->flags & AV_PKT_FLAG_KEY) && packet_->pts != AV_NOPTS_VALUE;
      int64_t next = INT64_MIN;
      const int64_t keyTime = key ? av_rescale_q(packet_->pts, video->timeBase, kUnits) : 0;
      if (key && !ClaimAhead(*video, keyTime, &next)) {
        if (ahead_ == Ahead::Parked) {
          // TakeFromCache must not wait for it meanwhile.
          cache_->SetReadingAhead(false);
          aheadResumesAt_ = cache_->ClaimableFrom(keyTime);
        }
      } else if (key) {
        // Decoding the key frame settles the last picture of the interval before it.
        DecodePacket(*video, packet_);
        EndClaim(true);
        claimed_ = next;
      } else if (ahead_ != Ahead::PassingOver) {
        DecodePacket(*video, packet_);
      }
    }
    av_packet_unref(packet_);
  }
  if (aheadDone_) EndClaim(false);
  route_ = HostRoute();
  if (aheadDone_) cache_->SetReadingAhead(false);
  return !aheadDone_ && ahead_ != Ahead::Parked;
}

// At the key frame `key` while reading frame after frame: true when the reading
// ahead decodes its interval (claimed for it in *claim, if in a run). Otherwise the
// picture before it is settled (it lasts until this key frame) and the interval is
// passed over, or, lying too far ahead, waits in parked_ for the focus to move on.
bool ReaderPipeline::ClaimAhead(Output &video, int64_t key, int64_t *claim) {
  const ReaderFrameCache::Claim answer = cache_->ClaimInterval(key);
  if (answer == ReaderFrameCache::Claim::NoRun || answer == ReaderFrameCache::Claim::Mine) {
    ahead_ = Ahead::Decoding;
    *claim = answer == ReaderFrameCache::Claim::Mine ? key : INT64_MIN;
    return true;
  }
  if (video.Holds()) SettleHeldFrame(video, key > video.heldTime ? key : video.heldTime + video.frameDuration);
  EndClaim(true);
  avcodec_flush_buffers(video.codec);
  if (answer == ReaderFrameCache::Claim::Taken) {
    ahead_ = Ahead::PassingOver;
  } else {
    av_packet_move_ref(parked_, packet_);
    ahead_ = Ahead::Parked;
  }
  return false;
}

// The reading ahead stops decoding the interval it claimed: `whole` when it offered
// every picture of it.
void ReaderPipeline::EndClaim(bool whole) {
  if (claimed_ != INT64_MIN) cache_->EndInterval(claimed_, whole);
  claimed_ = INT64_MIN;
}

}  // namespace wmf
