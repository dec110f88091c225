// Demux, decode and convert for the reader.
//
// A picture travels from the demuxer (reader_demuxer.cpp) through Pump: after a seek
// its packet first tells where the seek landed (reader_seek_landing.cpp), then its
// output's decoder decodes it and holds the frame back until the next frame's time
// is known; settled, it goes to the host as a converted sample in ready_, where Next
// takes it, and into the cache when a start seeked (reader_output_decoding.cpp).
// Between starts the reading ahead decodes the pictures after the last one delivered
// into the cache only, from where TakeFromCache serves a start (reader_read_ahead.cpp).
//
// ASF keeps times in whole milliseconds, so a frame's stored time lies up to half a
// millisecond away from the exact time of its frame number. A frame therefore counts
// as shown from half a millisecond before its stored time: position n of a 30 fps
// file (n / 30 s, truncated to 100 ns) then always finds frame n. To know where a
// frame ends, each video output holds its latest frame back until the next one (or
// the end of the file) is known.
#include "reader_pipeline.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "asf_header.h"
#include "asf_streams.h"
#include "reader_frame_cache.h"
#include "reader_interval_decoder.h"
#include "reader_picture_pool.h"
#include "reader_pipeline_output.h"

namespace wmf {

using namespace pipeline;

namespace {

// Reading ahead stops this far past the picture last handed out: far enough to keep
// the decoder busy while the host takes a picture, and well within the cache.
constexpr int64_t kReadAheadWindow = kUnitsPerSecond;

}  // namespace

HRESULT ReaderPipeline::Open(const std::string &path, VideoOutputKind kind, const std::atomic<bool> *cancel,
                             std::unique_ptr<ReaderPipeline> *pipeline, size_t cacheBudget) {
  // Without a licence protected content is only noise: refused as the platform does.
  AsfStreams streams;
  const bool headerRead = ReadAsfStreams(path, &streams);
  if (headerRead && streams.isProtected) return NS_E_PROTECTED_CONTENT;
  std::unique_ptr<ReaderPipeline> p(new ReaderPipeline());
  HRESULT hr = p->demuxer_.Open(path, cancel);
  if (FAILED(hr)) return hr;
  hr = p->Init(kind, headerRead ? &streams : nullptr);
  if (FAILED(hr)) return hr;
  // The header's length, as the platform reports it: it also holds for a file cut
  // short, and for one whose last packet ends before or after it.
  AsfFileProperties header;
  uint64_t duration = 0;
  const bool declared = ReadAsfFileProperties(path, &header) && DurationOf(header, &duration);
  if (declared) {
    p->duration_ = duration;
  } else {
    // Without a length in the header (a broadcast file), the file lasts until its end
    // time; when nobody knows that, until where the last packet ends.
    p->duration_ = p->demuxer_.KnownEnd();
    if (p->duration_ == 0) {
      p->duration_ = p->demuxer_.ReadToEnd(p->packet_);
      p->place_ = Place::MustSeek;  // the next start seeks back
    }
  }
  size_t videoOutputs = 0;
  for (const auto &output : p->outputs_) videoOutputs += output->video;
  // With several video outputs a start must find each one's frame: the decoders then
  // always start together from a seek.
  p->exactSeeks_ = videoOutputs == 1;
  if (videoOutputs == 1 && cacheBudget > 0) {
    const Output &video = *p->outputs_[p->primaryOutput_];
    if (cacheBudget == kSizedBudget) {
      const AVCodecParameters &picture = *p->demuxer_.Stream(video.stream)->codecpar;
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
    p->intervals_ = std::make_unique<ReaderIntervalDecoder>(path, stream, *p->demuxer_.Stream(video.stream)->codecpar,
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
  outputOfStream_.assign(demuxer_.StreamCount(), -1);
  for (unsigned i = 0; i < demuxer_.StreamCount(); ++i) {
    AVStream *stream = demuxer_.Stream(static_cast<int>(i));
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
    output->index = static_cast<DWORD>(outputs_.size());
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

  place_ = Place::FollowingOn;  // a fresh file plays from its start without a seek
  return S_OK;
}

ReaderPipeline::~ReaderPipeline() {
  ready_.clear();
  av_frame_free(&taken_);
  outputs_.clear();
  intervals_.reset();  // its pictures may be in the cache, which goes after it
  av_packet_free(&packet_);
  av_packet_free(&parked_);
  av_frame_free(&frame_);
}

const MediaType &ReaderPipeline::OutputType(DWORD output) const { return outputs_.at(output)->type; }

void ReaderPipeline::Begin(QWORD start, QWORD length, bool firstServed) {
  const int64_t from = start > static_cast<QWORD>(INT64_MAX / 2) ? INT64_MAX / 2 : static_cast<int64_t>(start);
  target_ = from;
  end_ = length == 0 || length > static_cast<QWORD>(INT64_MAX / 2) ? INT64_MAX : from + static_cast<int64_t>(length);
  if (!firstServed) servedUntil_ = 0;
  if (cache_) {
    cache_->SetReadingAhead(false);  // the decoders follow this start now
    EndClaim(false);
    cache_->SetFocus(from);
  }
  Position(from);
}

void ReaderPipeline::Position(int64_t from) {
  bool ahead = place_ == Place::FollowingOn && from >= resumeFrom_ && from - resumeFrom_ <= kContinueWindow;
  if (ahead_ != Ahead::Off) {
    // The reading ahead took the decoder on past what was delivered, passing over the
    // other outputs' packets: with no other outputs it goes on from its held picture.
    const Output &video = *outputs_[primaryOutput_];
    ahead = ahead && outputs_.size() == 1 && video.Holds() && from >= video.heldTime - kTolerance &&
            from - video.heldTime <= kContinueWindow;
  }
  // Every video output's frame at `from` must still be to come.
  for (const auto &output : outputs_)
    if (output->video && output->deliveredUntil > from) ahead = false;
  lastBeginSeeked_ = !ahead;
  route_ = HostRoute();
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

ReaderPipeline::Step ReaderPipeline::Next(ReaderSample *sample, const std::atomic<size_t> *interrupt) {
  // Until the seek is known to have landed early enough, a further seek may still
  // replace what is ready.
  while ((ready_.empty() || landingsDue_ > 0) && place_ != Place::Finished) {
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

// One packet on: read, checked for where a seek landed, and decoded.
void ReaderPipeline::Pump() {
  if (!demuxer_.Read(packet_)) {
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

// The file or the wanted stretch ends: unless an output never showed a packet since
// the seek, in which case its data lies before the place the seek landed.
void ReaderPipeline::EndOfData(bool fileEnded) {
  if (landingsDue_ > 0 && SeekEarlier()) return;
  Finish(fileEnded);
}

// `fileEnded`: the file's data ran out, so the last pictures' ends are the file's.
void ReaderPipeline::Finish(bool fileEnded) {
  for (auto &output : outputs_) {
    DecodePacket(*output, nullptr);  // what the decoder still holds
    if (output->video && output->Holds()) {
      int64_t end = output->heldTime + output->frameDuration;
      // The file's length is exact where the last stored time is rounded.
      const int64_t fileEnd = static_cast<int64_t>(duration_) + kTolerance;
      if (fileEnd > output->heldTime && fileEnd < end) end = fileEnd;
      SettleHeldFrame(*output, end, fileEnded);
    }
  }
  for (auto &output : outputs_) output->landing = false;
  landingsDue_ = 0;
  place_ = Place::Finished;
}

}  // namespace wmf
