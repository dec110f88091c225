// Seeking, and judging where a seek landed.
//
// The file's index points at the key frame stored last before a time. With several
// video streams that is the key frame of one of them only: the others' key frames may
// lie before the place a seek lands, and the demuxer then skips to their next ones.
// So after a seek every output that steers seeking must show its first packet at or
// before the wanted time, else the pipeline seeks further back; samples wait until all
// of them have shown where the seek landed.
#include "reader_pipeline.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "reader_pipeline_output.h"

namespace wmf {

using namespace pipeline;

namespace {

// An output with no packet by the time the file's packets are this far past the wanted
// time had its key frame before the place the seek landed (or has no data there).
constexpr int64_t kLandingWindow = kUnitsPerSecond;
constexpr int kMaxSeekRetries = 4;
// The audio decoder gives nothing for its first blocks after a flush: an audio-only
// file seeks this far ahead of the wanted time so that its block is there.
constexpr int64_t kAudioSeekLead = kUnitsPerSecond / 4;

}  // namespace

void ReaderPipeline::Seek(QWORD time) {
  place_ = Place::MustSeek;
  seekRetries_ = 0;
  if (seekStream_ < 0) {
    place_ = Place::Finished;
    return;
  }
  const AVStream *stream = demuxer_.Stream(seekStream_);
  int64_t from = static_cast<int64_t>(time);
  if (!outputs_[primaryOutput_]->video) from = from > kAudioSeekLead ? from - kAudioSeekLead : 0;
  const int64_t streamTime = av_rescale_q(from, kUnits, stream->time_base);
  // When nothing can be read, the start ends at once.
  place_ = SeekTo(exactSeeks_ ? ExactSeekTime(streamTime) : streamTime) ? Place::FollowingOn : Place::Finished;
}

// The demuxer's index (read from the file's index on the first seek) holds an entry
// per second of the file, each naming the packet of the last key frame before that
// second and dated by the second. A seek takes the entry dated at or before the wanted
// time, whose key frame often lies a whole interval before the one at or before that
// time. The next entry's key frame is the one wanted when it starts no later than the
// wanted time: where it starts is learnt the first time a seek lands there (a landing
// too late then seeks back, see CheckLanding).
int64_t ReaderPipeline::ExactSeekTime(int64_t streamTime) const {
  AVStream *stream = demuxer_.Stream(seekStream_);
  const int count = avformat_index_get_entries_count(stream);
  const int next = av_index_search_timestamp(stream, streamTime, AVSEEK_FLAG_BACKWARD) + 1;
  if (next <= 0 || next >= count) return streamTime;
  const AVIndexEntry *entry = avformat_index_get_entry(stream, next);
  if (!entry || entry->timestamp <= streamTime) return streamTime;
  const auto landed = landings_.find(entry->timestamp);
  const int64_t tolerance = av_rescale_q(kTolerance, kUnits, stream->time_base);
  if (landed == landings_.end() || landed->second <= streamTime + tolerance) return entry->timestamp;
  return streamTime;
}

// Drops what the decoders and the reading ahead hold, and moves the demuxer; the
// outputs that steer seeking then each have their landing to show.
bool ReaderPipeline::SeekTo(int64_t streamTime) {
  ready_.clear();
  ahead_ = Ahead::Off;
  av_packet_unref(parked_);
  landingsDue_ = 0;
  const bool steeredByVideo = outputs_[primaryOutput_]->video;
  for (auto &output : outputs_) {
    avcodec_flush_buffers(output->codec);
    av_frame_free(&output->held);
    if (output->sound) output->sound->Reset();
    output->waitKey = output->video;
    output->discontinuity = true;
    output->nextTime = 0;
    output->deliveredUntil = 0;
    // Audio beside video starts where the video's key frames put it.
    output->landing = output->video == steeredByVideo;
    if (output->landing) ++landingsDue_;
  }
  seekedTo_ = streamTime;
  return demuxer_.SeekBack(seekStream_, streamTime);
}

// Judges where the last seek landed from a packet of `output` at `time`; false when
// it seeked again (or gave up and finished).
bool ReaderPipeline::CheckLanding(Output &output, int64_t time) {
  if (output.landing) {
    output.landing = false;
    --landingsDue_;
    if (output.stream == seekStream_)
      landings_[seekedTo_] = av_rescale_q(time, kUnits, demuxer_.Stream(seekStream_)->time_base);
    // The index may point past this output's frame at the wanted time.
    return time - kTolerance <= target_ || !SeekEarlier();
  }
  return time <= target_ + kLandingWindow || !SeekEarlier();
}

// Seeks further back after a landing too late for some output; false when there is
// no earlier place to try, and the outputs then start where they can.
bool ReaderPipeline::SeekEarlier() {
  if (seekedTo_ <= 0 || seekRetries_ >= kMaxSeekRetries) {
    for (auto &output : outputs_) output->landing = false;
    landingsDue_ = 0;
    return false;
  }
  const AVRational timeBase = demuxer_.Stream(seekStream_)->time_base;
  const int64_t step = av_rescale_q(kUnitsPerSecond << seekRetries_, kUnits, timeBase);
  ++seekRetries_;
  if (!SeekTo(seekedTo_ > step ? seekedTo_ - step : 0)) Finish();
  return true;
}

}  // namespace wmf
