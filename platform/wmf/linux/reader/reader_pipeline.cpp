// Demux, decode and convert for the reader.
//
// ASF keeps times in whole milliseconds, so a frame's stored time lies up to half a
// millisecond away from the exact time of its frame number. A frame therefore counts
// as shown from half a millisecond before its stored time: position n of a 30 fps
// file (n / 30 s, truncated to 100 ns) then always finds frame n. To know where a
// frame ends, each video output holds its latest frame back until the next one (or
// the end of the file) is known.
//
// The file's index points at the key frame stored last before a time. With several
// video streams that is the key frame of one of them only: the others' key frames may
// lie before the place a seek lands, and the demuxer then skips to their next ones.
// So after a seek every output that steers seeking must show its first packet at or
// before the wanted time, else the pipeline seeks further back; samples wait until all
// of them have shown where the seek landed.
#include "reader_pipeline.h"

#include <algorithm>
#include <cstring>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include "asf_header.h"
#include "asf_streams.h"
#include "file_path.h"
#include "reader_audio_converter.h"
#include "reader_frame_cache.h"
#include "reader_interval_decoder.h"
#include "reader_picture_pool.h"
#include "reader_video_converter.h"

namespace wmf {

namespace {

constexpr int64_t kUnitsPerSecond = 10000000;
constexpr AVRational kUnits = {1, 10000000};
constexpr int64_t kTolerance = 5000;            // half a millisecond
constexpr int64_t kContinueWindow = kUnitsPerSecond;  // decode forward rather than seek within this
// Reading ahead stops this far past the picture last handed out: far enough to keep
// the decoder busy while the host takes a picture, and well within the cache.
constexpr int64_t kReadAheadWindow = kUnitsPerSecond;
// An output with no packet by the time the file's packets are this far past the wanted
// time had its key frame before the place the seek landed (or has no data there).
constexpr int64_t kLandingWindow = kUnitsPerSecond;
constexpr int kMaxReadErrors = 64;
constexpr int kMaxSeekRetries = 4;
// The audio decoder gives nothing for its first blocks after a flush: an audio-only
// file seeks this far ahead of the wanted time so that its block is there.
constexpr int64_t kAudioSeekLead = kUnitsPerSecond / 4;

int Interrupted(void *cancel) { return static_cast<const std::atomic<bool> *>(cancel)->load() ? 1 : 0; }

void QuietLibraries() {
  static std::once_flag once;
  // The runtime reports through results, not on the console: damaged files would
  // otherwise fill the host's stderr.
  std::call_once(once, [] {
    if (av_log_get_level() == AV_LOG_INFO) av_log_set_level(AV_LOG_FATAL);
  });
}

}  // namespace

struct ReaderPipeline::Output {
  int stream = -1;
  bool video = false;
  MediaType type;
  AVCodecContext *codec = nullptr;
  AVRational timeBase{1, 1000};
  std::unique_ptr<ReaderVideoConverter> picture;
  std::unique_ptr<ReaderAudioConverter> sound;
  int sampleRate = 0;
  int64_t frameDuration = 0;  // video: the nominal time per frame
  int64_t nextTime = 0;       // where a frame without a time stamp goes
  bool waitKey = false;       // after a seek, decoding starts at a key frame
  bool landing = false;       // after a seek, the first packet is still to show where it landed
  int64_t deliveredUntil = 0; // video: the end of the last frame handed out since the seek
  bool discontinuity = false;
  AVFrame *held = nullptr;
  int64_t heldTime = 0;

  ~Output() {
    av_frame_free(&held);
    avcodec_free_context(&codec);
  }
};

HRESULT ReaderPipeline::Open(const std::string &path, VideoOutputKind kind, const std::atomic<bool> *cancel,
                             std::unique_ptr<ReaderPipeline> *pipeline, size_t cacheBudget) {
  QuietLibraries();
  // Without a licence protected content is only noise: refused as the platform does.
  AsfStreams streams;
  const bool headerRead = ReadAsfStreams(path, &streams);
  if (headerRead && streams.isProtected) return NS_E_PROTECTED_CONTENT;
  std::unique_ptr<ReaderPipeline> p(new ReaderPipeline());
  p->format_ = avformat_alloc_context();
  if (!p->format_) return E_OUTOFMEMORY;
  p->format_->interrupt_callback.callback = Interrupted;
  p->format_->interrupt_callback.opaque = const_cast<std::atomic<bool> *>(cancel);
  // Only ASF files are media files of this runtime, whatever FFmpeg could open.
  const AVInputFormat *asf = av_find_input_format("asf");
  if (avformat_open_input(&p->format_, FfmpegFileName(path).c_str(), asf, nullptr) < 0) {
    p->format_ = nullptr;  // freed by the failed open
    return NS_E_INVALID_DATA;
  }
  if (cancel->load()) return E_ABORT;
  avformat_find_stream_info(p->format_, nullptr);  // the header alone also serves
  if (cancel->load()) return E_ABORT;
  HRESULT hr = p->Init(kind, headerRead ? &streams : nullptr);
  if (FAILED(hr)) return hr;
  // The header's length, as the platform reports it: it also holds for a file cut
  // short, and for one whose last packet ends before or after it.
  AsfFileProperties header;
  uint64_t duration = 0;
  const bool declared = ReadAsfFileProperties(path, &header) && DurationOf(header, &duration);
  p->duration_ = declared ? duration : p->LastEndTime();
  size_t videoOutputs = 0;
  for (const auto &output : p->outputs_) videoOutputs += output->video;
  // With several video outputs a start must find each one's frame: the decoders then
  // always start together from a seek.
  p->exactSeeks_ = videoOutputs == 1;
  if (videoOutputs == 1 && cacheBudget > 0) {
    const Output &video = *p->outputs_[p->primaryOutput_];
    if (cacheBudget == kSizedBudget) {
      const AVCodecParameters &picture = *p->format_->streams[video.stream]->codecpar;
      const size_t pictureBytes = static_cast<size_t>(picture.width) * picture.height * 3 / 2;  // 4:2:0
      cacheBudget = ReaderFrameCache::DefaultBudget(pictureBytes, video.frameDuration);
    }
    p->cache_ = std::make_unique<ReaderFrameCache>(cacheBudget, kReadAheadWindow, video.frameDuration);
    ReaderIntervalDecoder::Stream stream;
    stream.index = video.stream;
    stream.timeBaseNum = video.timeBase.num;
    stream.timeBaseDen = video.timeBase.den;
    stream.frameDuration = video.frameDuration;
    stream.fileEnd = static_cast<int64_t>(p->duration_) + kTolerance;  // as Finish ends the last picture
    p->intervals_ = std::make_unique<ReaderIntervalDecoder>(path, stream, *p->format_->streams[video.stream]->codecpar,
                                                            p->cache_.get(), p->pictures_.get(), cancel);
  }
  *pipeline = std::move(p);
  return S_OK;
}

HRESULT ReaderPipeline::Init(VideoOutputKind kind, const AsfStreams *streams) {
  packet_ = av_packet_alloc();
  parked_ = av_packet_alloc();
  frame_ = av_frame_alloc();
  if (!packet_ || !parked_ || !frame_) return E_OUTOFMEMORY;
  outputOfStream_.assign(format_->nb_streams, -1);
  for (unsigned i = 0; i < format_->nb_streams; ++i) {
    AVStream *stream = format_->streams[i];
    const AVCodecParameters *par = stream->codecpar;
    stream->discard = AVDISCARD_ALL;
    // A cover picture, or one of several bit rates of a picture that another plays.
    const bool played = streams ? streams->Plays(stream->id) : !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC);
    if (!played) continue;
    const bool video = par->codec_type == AVMEDIA_TYPE_VIDEO && par->width > 0 && par->height > 0 &&
                       par->width <= 16384 && par->height <= 16384;
    const bool audio = par->codec_type == AVMEDIA_TYPE_AUDIO && par->sample_rate > 0 &&
                       par->ch_layout.nb_channels > 0 && par->ch_layout.nb_channels <= 8;
    const AVCodec *decoder = avcodec_find_decoder(par->codec_id);
    if ((!video && !audio) || !decoder) continue;

    auto output = std::make_unique<Output>();
    output->codec = avcodec_alloc_context3(decoder);
    if (!output->codec || avcodec_parameters_to_context(output->codec, par) < 0) return E_OUTOFMEMORY;
    output->codec->pkt_timebase = stream->time_base;
    if (video && !pictures_) {
      pictures_ = std::make_unique<ReaderPicturePool>();
      pictures_->Serve(output->codec);
    }
    if (avcodec_open2(output->codec, decoder, nullptr) < 0) continue;  // unusable stream: no output
    output->stream = static_cast<int>(i);
    output->video = video;
    output->timeBase = stream->time_base;
    if (video) {
      AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
      if (rate.num <= 0 || rate.den <= 0 || av_q2d(rate) > 1000) rate = {30, 1};
      output->frameDuration = av_rescale_q(1, av_inv_q(rate), kUnits);
      output->picture = std::make_unique<ReaderVideoConverter>(kind, par->width, par->height);
      output->type = VideoOutputType(kind, par->width, par->height, output->frameDuration,
                                     static_cast<DWORD>(par->bit_rate));
    } else {
      output->sampleRate = par->sample_rate;
      output->sound = std::make_unique<ReaderAudioConverter>(par->sample_rate, par->ch_layout.nb_channels);
      output->type = AudioOutputType(static_cast<DWORD>(par->sample_rate),
                                     static_cast<WORD>(par->ch_layout.nb_channels));
    }
    stream->discard = AVDISCARD_DEFAULT;
    outputOfStream_[i] = static_cast<int>(outputs_.size());
    outputs_.push_back(std::move(output));
  }
  // Seeking and sequential access follow the first video output, else the first output.
  for (DWORD i = 0; i < outputs_.size(); ++i) {
    if (outputs_[i]->video) {
      primaryOutput_ = i;
      break;
    }
  }
  if (!outputs_.empty()) seekStream_ = outputs_[primaryOutput_]->stream;

  positioned_ = true;  // a fresh file plays from its start without a seek
  return S_OK;
}

// Without a length in the header (a broadcast file), the file lasts until its end time.
QWORD ReaderPipeline::LastEndTime() {
  QWORD duration = 0;
  if (format_->duration != AV_NOPTS_VALUE && format_->duration > 0) {
    // An audio encoder's priming may put the first packets before time 0, and those
    // are trimmed from what the outputs deliver: it does not lengthen the file.
    int64_t end = format_->duration;
    if (format_->start_time != AV_NOPTS_VALUE) end += format_->start_time;
    duration = end > 0 ? static_cast<QWORD>(av_rescale_q(end, AV_TIME_BASE_Q, kUnits)) : 0;
  } else {
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
      const AVStream *stream = format_->streams[i];
      if (stream->duration == AV_NOPTS_VALUE || stream->duration <= 0) continue;
      const QWORD length = static_cast<QWORD>(av_rescale_q(stream->duration, stream->time_base, kUnits));
      if (length > duration) duration = length;
    }
  }
  if (duration > 0) return duration;
  // Nobody knows: where the last packet ends, read through the file once.
  int64_t end = 0;
  while (av_read_frame(format_, packet_) >= 0) {
    if (packet_->pts != AV_NOPTS_VALUE && packet_->stream_index >= 0 &&
        static_cast<unsigned>(packet_->stream_index) < format_->nb_streams) {
      const AVRational base = format_->streams[packet_->stream_index]->time_base;
      const int64_t last = av_rescale_q(packet_->pts + std::max<int64_t>(packet_->duration, 0), base, kUnits);
      end = std::max(end, last);
    }
    av_packet_unref(packet_);
  }
  positioned_ = false;  // the next start seeks back
  return static_cast<QWORD>(end);
}

ReaderPipeline::~ReaderPipeline() {
  ready_.clear();
  av_frame_free(&taken_);
  outputs_.clear();
  intervals_.reset();  // its pictures may be in the cache, which goes after it
  av_packet_free(&packet_);
  av_packet_free(&parked_);
  av_frame_free(&frame_);
  avformat_close_input(&format_);
}

const MediaType &ReaderPipeline::OutputType(DWORD output) const { return outputs_.at(output)->type; }

void ReaderPipeline::Begin(QWORD start, QWORD length, bool firstServed) {
  const int64_t from = start > static_cast<QWORD>(INT64_MAX / 2) ? INT64_MAX / 2 : static_cast<int64_t>(start);
  target_ = from;
  end_ = length == 0 || length > static_cast<QWORD>(INT64_MAX / 2) ? INT64_MAX : from + static_cast<int64_t>(length);
  if (!firstServed) servedUntil_ = 0;
  if (cache_) {
    cache_->SetReadingAhead(false);  // the decoders follow this start now
    if (claimed_ != INT64_MIN) cache_->EndInterval(claimed_, false);
    claimed_ = INT64_MIN;
    cache_->SetFocus(from);
  }
  Position(from);
}

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
  more = more && video->video && positioned_ && !finished_ && landingsDue_ == 0;
  if (!more) {
    if (cache_) cache_->SetReadingAhead(false);
    return false;
  }
  aheadResumesAt_ = INT64_MIN;
  // At the horizon: on again once the focus moves.
  if (video->held && video->held->buf[0] && !cache_->WantsAhead(video->heldTime)) {
    aheadResumesAt_ = cache_->AheadResumesAt(video->heldTime);
    return false;
  }
  cache_->SetReadingAhead(true);
  readingAhead_ = true;
  aheadOnly_ = true;  // the other outputs' packets are passed over from here on
  aheadDone_ = false;
  bool parked = false;
  if (havePark_) {
    av_packet_move_ref(packet_, parked_);
    havePark_ = false;
  } else if (!ReadPacket()) {
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
        parked = havePark_;
        if (parked) {
          // TakeFromCache must not wait for it meanwhile.
          cache_->SetReadingAhead(false);
          aheadResumesAt_ = cache_->ClaimableFrom(keyTime);
        }
      } else if (key) {
        // Decoding the key frame settles the last picture of the interval before it.
        DecodePacket(*video, packet_);
        if (claimed_ != INT64_MIN) cache_->EndInterval(claimed_, true);
        claimed_ = next;
      } else if (!passingOver_) {
        DecodePacket(*video, packet_);
      }
    }
    av_packet_unref(packet_);
  }
  if (claimed_ != INT64_MIN && aheadDone_) {
    cache_->EndInterval(claimed_, false);
    claimed_ = INT64_MIN;
  }
  readingAhead_ = false;
  if (aheadDone_) cache_->SetReadingAhead(false);
  return !aheadDone_ && !parked;
}

// At the key frame `key` while reading frame after frame: true when the reading
// ahead decodes its interval (claimed for it in *claim, if in a run). Otherwise the
// picture before it is settled (it lasts until this key frame) and the interval is
// passed over, or, lying too far ahead, waits in parked_ for the focus to move on.
bool ReaderPipeline::ClaimAhead(Output &video, int64_t key, int64_t *claim) {
  const ReaderFrameCache::Claim answer = cache_->ClaimInterval(key);
  if (answer == ReaderFrameCache::Claim::NoRun || answer == ReaderFrameCache::Claim::Mine) {
    passingOver_ = false;
    *claim = answer == ReaderFrameCache::Claim::Mine ? key : INT64_MIN;
    return true;
  }
  if (video.held && video.held->buf[0])
    SettleHeldFrame(video, key > video.heldTime ? key : video.heldTime + video.frameDuration);
  if (claimed_ != INT64_MIN) cache_->EndInterval(claimed_, true);
  claimed_ = INT64_MIN;
  avcodec_flush_buffers(video.codec);
  passingOver_ = answer == ReaderFrameCache::Claim::Taken;
  if (!passingOver_) {
    av_packet_move_ref(parked_, packet_);
    havePark_ = true;
  }
  return false;
}

void ReaderPipeline::Position(int64_t from) {
  bool ahead = positioned_ && !finished_ && from >= resumeFrom_ && from - resumeFrom_ <= kContinueWindow;
  if (aheadOnly_) {
    // The reading ahead took the decoder on past what was delivered, passing over the
    // other outputs' packets: with no other outputs it goes on from its held picture.
    const Output &video = *outputs_[primaryOutput_];
    ahead = ahead && outputs_.size() == 1 && video.held && video.held->buf[0] &&
            from >= video.heldTime - kTolerance && from - video.heldTime <= kContinueWindow;
  }
  // Every video output's frame at `from` must still be to come.
  for (const auto &output : outputs_)
    if (output->video && output->deliveredUntil > from) ahead = false;
  lastBeginSeeked_ = !ahead;
  if (!ahead) {
    Seek(from);
  } else {
    // Keep decoding from here: what was decoded but not handed out still counts.
    std::deque<ReaderSample> kept;
    for (ReaderSample &sample : ready_) {
      const int64_t shownUntil = static_cast<int64_t>(sample.time + sample.duration) -
                                 (outputs_[sample.output]->video ? kTolerance : 0);
      if (shownUntil > target_) kept.push_back(std::move(sample));
    }
    ready_.swap(kept);
  }
  if (primaryOutput_ >= outputs_.size()) return;  // no outputs: nothing was handed out
  // A picture the cache handed out already is not handed out twice.
  Output &primary = *outputs_[primaryOutput_];
  if (servedUntil_ > primary.deliveredUntil) primary.deliveredUntil = servedUntil_;
  std::deque<ReaderSample> kept;
  for (ReaderSample &sample : ready_) {
    if (sample.output == primaryOutput_ && primary.video &&
        static_cast<int64_t>(sample.time + sample.duration) - kTolerance <= servedUntil_)
      continue;
    kept.push_back(std::move(sample));
  }
  ready_.swap(kept);
}

void ReaderPipeline::Seek(QWORD time) {
  finished_ = false;
  positioned_ = false;
  seekRetries_ = 0;
  if (seekStream_ < 0) {
    finished_ = true;
    return;
  }
  const AVStream *stream = format_->streams[seekStream_];
  int64_t from = static_cast<int64_t>(time);
  if (!outputs_[primaryOutput_]->video) from = from > kAudioSeekLead ? from - kAudioSeekLead : 0;
  const int64_t streamTime = av_rescale_q(from, kUnits, stream->time_base);
  positioned_ = SeekTo(exactSeeks_ ? ExactSeekTime(streamTime) : streamTime);
  if (!positioned_) finished_ = true;  // nothing can be read: the start ends at once
}

// The demuxer's index (read from the file's index on the first seek) holds an entry
// per second of the file, each naming the packet of the last key frame before that
// second and dated by the second. A seek takes the entry dated at or before the wanted
// time, whose key frame often lies a whole interval before the one at or before that
// time. The next entry's key frame is the one wanted when it starts no later than the
// wanted time: where it starts is learnt the first time a seek lands there (a landing
// too late then seeks back, see CheckLanding).
int64_t ReaderPipeline::ExactSeekTime(int64_t streamTime) const {
  AVStream *stream = format_->streams[seekStream_];
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

bool ReaderPipeline::SeekTo(int64_t streamTime) {
  ready_.clear();
  aheadOnly_ = false;
  passingOver_ = false;
  av_packet_unref(parked_);
  havePark_ = false;
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
  if (av_seek_frame(format_, seekStream_, streamTime, AVSEEK_FLAG_BACKWARD) >= 0) return true;
  // Before the first indexed frame, or no index: from the start of the data.
  return av_seek_frame(format_, seekStream_, INT64_MIN, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) >= 0 ||
         avformat_seek_file(format_, -1, INT64_MIN, INT64_MIN, INT64_MIN, 0) >= 0;
}

ReaderPipeline::Step ReaderPipeline::Next(ReaderSample *sample, const std::atomic<size_t> *interrupt) {
  // Until the seek is known to have landed early enough, a further seek may still
  // replace what is ready.
  while ((ready_.empty() || landingsDue_ > 0) && !finished_) {
    if (interrupt && interrupt->load() != 0) return Step::Interrupted;
    Pump();
  }
  if (ready_.empty()) return Step::End;
  *sample = std::move(ready_.front());
  ready_.pop_front();
  Output &output = *outputs_[sample->output];
  if (cache_ && sample->output == primaryOutput_) cache_->SetFocus(static_cast<int64_t>(sample->time));
  if (output.video) output.deliveredUntil = static_cast<int64_t>(sample->time + sample->duration) - kTolerance;
  if (sample->output == primaryOutput_) {
    resumeFrom_ = static_cast<int64_t>(sample->time + sample->duration) -
                  (outputs_[primaryOutput_]->video ? kTolerance : 0);
  }
  return Step::Sample;
}

// ASF stores one time per packet: when its picture is shown. FFmpeg hands it over for
// some codecs (VC-1, MPEG-4) as the decoding time only, and the decoder's own guess of
// the showing time from it is a frame late.
void PresentAtStoredTime(AVPacket *packet) {
  if (packet->pts == AV_NOPTS_VALUE) packet->pts = packet->dts;
}

bool ReaderPipeline::ReadPacket() {
  int errors = 0;
  for (;;) {
    const int rc = av_read_frame(format_, packet_);
    if (rc >= 0) {
      PresentAtStoredTime(packet_);
      return true;
    }
    if (rc == AVERROR_EOF || rc == AVERROR_EXIT || avio_feof(format_->pb) || ++errors > kMaxReadErrors) return false;
  }
}

// Judges where the last seek landed from a packet of `output` at `time`; false when
// it seeked again (or gave up and finished).
bool ReaderPipeline::CheckLanding(Output &output, int64_t time) {
  if (output.landing) {
    output.landing = false;
    --landingsDue_;
    if (output.stream == seekStream_)
      landings_[seekedTo_] = av_rescale_q(time, kUnits, format_->streams[seekStream_]->time_base);
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
  const AVRational timeBase = format_->streams[seekStream_]->time_base;
  const int64_t step = av_rescale_q(kUnitsPerSecond << seekRetries_, kUnits, timeBase);
  ++seekRetries_;
  if (!SeekTo(seekedTo_ > step ? seekedTo_ - step : 0)) Finish();
  return true;
}

// The file or the wanted stretch ends: unless an output never showed a packet since
// the seek, in which case its data lies before the place the seek landed.
void ReaderPipeline::EndOfData(bool fileEnded) {
  if (landingsDue_ > 0 && SeekEarlier()) return;
  Finish(fileEnded);
}

void ReaderPipeline::Pump() {
  if (!ReadPacket()) {
    EndOfData(true);
    return;
  }
  const int index = packet_->stream_index >= 0 && packet_->stream_index < static_cast<int>(outputOfStream_.size())
                        ? outputOfStream_[packet_->stream_index]
                        : -1;
  if (index < 0) {
    av_packet_unref(packet_);
    return;
  }
  Output &output = *outputs_[index];
  if (output.waitKey && !(packet_->flags & AV_PKT_FLAG_KEY)) {
    av_packet_unref(packet_);
    return;
  }
  output.waitKey = false;
  if (packet_->pts != AV_NOPTS_VALUE) {
    const int64_t time = av_rescale_q(packet_->pts, output.timeBase, kUnits);
    if (landingsDue_ > 0 && !CheckLanding(output, time)) {
      av_packet_unref(packet_);
      return;
    }
    if (static_cast<DWORD>(index) == primaryOutput_ && end_ != INT64_MAX && time >= end_) {
      av_packet_unref(packet_);
      EndOfData(false);
      return;
    }
  }
  DecodePacket(output, packet_);
  av_packet_unref(packet_);
}

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
  if (output.held && output.held->buf[0]) {
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
  if (cache_ && exactEnd && IndexOf(output) == primaryOutput_ && (readingAhead_ || lastBeginSeeked_)) {
    const ReaderFrameCache::Kept kept =
        cache_->Put(*output.held, output.heldTime, end, readingAhead_, readingAhead_ ? claimed_ : ReaderFrameCache::kNoInterval);
    // Decoding again what is kept already, or what has no room, is not worth it; but
    // an interval claimed may hold what the interval decoder left when it gave it up.
    if (readingAhead_ && (kept == ReaderFrameCache::Kept::NoRoom ||
                          (kept == ReaderFrameCache::Kept::AlreadyThere && claimed_ == ReaderFrameCache::kNoInterval)))
      aheadDone_ = true;
  }
  if (readingAhead_) {  // into the cache only
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
  sample->output = IndexOf(output);
  sample->time = static_cast<QWORD>(time < 0 ? 0 : time);
  sample->duration = static_cast<QWORD>(duration > 0 ? duration : 0);
  sample->flags = 0;
  if (frame->key_frame) sample->flags |= WM_SF_CLEANPOINT;
  if (frame->decode_error_flags || (frame->flags & AV_FRAME_FLAG_CORRUPT)) sample->flags |= WM_SF_DATALOSS;
  sample->buffer.reset(buffer.release());
  return true;
}

void ReaderPipeline::TakeAudioFrame(Output &output, AVFrame *frame) {
  if (frame->nb_samples <= 0 || readingAhead_) return;
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
  sample.output = IndexOf(output);
  sample.time = static_cast<QWORD>(time);
  sample.duration = static_cast<QWORD>(av_rescale(samples, kUnitsPerSecond, output.sampleRate));
  sample.flags = WM_SF_CLEANPOINT | (output.discontinuity ? WM_SF_DISCONTINUITY : 0);
  output.discontinuity = false;
  sample.buffer.reset(buffer.release());
  ready_.push_back(std::move(sample));
}

// `fileEnded`: the file's data ran out, so the last pictures' ends are the file's.
void ReaderPipeline::Finish(bool fileEnded) {
  for (auto &output : outputs_) {
    DecodePacket(*output, nullptr);  // what the decoder still holds
    if (output->video && output->held && output->held->buf[0]) {
      int64_t end = output->heldTime + output->frameDuration;
      // The file's length is exact where the last stored time is rounded.
      const int64_t fileEnd = static_cast<int64_t>(duration_) + kTolerance;
      if (fileEnd > output->heldTime && fileEnd < end) end = fileEnd;
      SettleHeldFrame(*output, end, fileEnded);
    }
  }
  for (auto &output : outputs_) output->landing = false;
  landingsDue_ = 0;
  finished_ = true;
  positioned_ = false;
}

DWORD ReaderPipeline::IndexOf(const Output &output) const {
  for (DWORD i = 0; i < outputs_.size(); ++i)
    if (outputs_[i].get() == &output) return i;
  return 0;
}

}  // namespace wmf
