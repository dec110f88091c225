// The reader's demux, decode and convert pipeline over one ASF file, without threads:
// Begin positions it at a time, Next hands out the following sample.
#ifndef QV_WMF_READER_PIPELINE_H
#define QV_WMF_READER_PIPELINE_H

#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "com_object.h"
#include "reader_demuxer.h"
#include "reader_output_format.h"
#include "sample_buffer_pool.h"

struct AVPacket;
struct AVFrame;

namespace wmf {

class ReaderFrameCache;
class ReaderIntervalDecoder;
class ReaderPicturePool;
struct AsfStreams;

// Releases a COM reference held in a std::unique_ptr.
struct ComRelease {
  void operator()(IUnknown *object) const { object->Release(); }
};

struct ReaderSample {
  DWORD output = 0;
  QWORD time = 0;
  QWORD duration = 0;
  DWORD flags = 0;
  std::unique_ptr<INSSBuffer, ComRelease> buffer;
};

class ReaderPipeline {
 public:
  // Opens and parses the file. `cancel` becomes true to abandon a slow open. A file
  // with one video output keeps up to `cacheBudget` bytes of decoded pictures, or
  // as many as suit its picture size with kSizedBudget (see reader_frame_cache.h).
  static HRESULT Open(const std::string &path, VideoOutputKind kind, const std::atomic<bool> *cancel,
                      std::unique_ptr<ReaderPipeline> *pipeline, size_t cacheBudget = 0);
  ~ReaderPipeline();

  DWORD OutputCount() const { return static_cast<DWORD>(outputs_.size()); }
  const MediaType &OutputType(DWORD output) const;
  // Length of the file in 100 ns units.
  QWORD Duration() const { return duration_; }

  // Positions the pipeline so that the first video sample Next returns is the frame
  // shown at `start`, and audio begins with the block that plays at `start`.
  // `length` 0 plays to the end. A start a little ahead of the last delivered frame
  // keeps decoding instead of seeking. `firstServed`: TakeFromCache gave this start's
  // picture already, and Next goes on after it.
  void Begin(QWORD start, QWORD length, bool firstServed = false);

  // The video picture shown at `start`, from the cache; false when it holds none.
  // May run while ReadAhead runs on another thread (nothing else may), and waits for
  // it when it is about to decode that picture.
  bool TakeFromCache(QWORD start, QWORD length, ReaderSample *sample);
  // The same while the reading ahead is held up (its thread waits for the pipeline),
  // when no picture it would decode can come.
  bool TakeFromCacheHeld(QWORD start, QWORD length, ReaderSample *sample);
  // Decodes the video output's next packet into the cache, from where the last start
  // left off; false when reading further ahead is not worth it (see the .cpp). Only
  // between starts: Begin takes the decoders back.
  bool ReadAhead();
  // After ReadAhead gave false: the focus from which it is worth calling again
  // (INT64_MIN: at the next move).
  int64_t AheadResumesAt() const { return aheadResumesAt_; }
  // No more reading ahead: TakeFromCache stops waiting for it.
  void EndReadAhead();
  // The second decoder for frame-after-frame reading, or null; it works on its own,
  // beside whatever else runs here (see reader_interval_decoder.h).
  ReaderIntervalDecoder *IntervalDecoder() const { return intervals_.get(); }
  enum class Step { Sample, End, Interrupted };
  // The next sample in the order the file holds them. Between packets it gives up
  // with Interrupted as soon as *interrupt (when given) is not 0.
  Step Next(ReaderSample *sample, const std::atomic<size_t> *interrupt = nullptr);

  // How the last Begin positioned the pipeline (for tests and benchmarks).
  bool LastBeginSeeked() const { return lastBeginSeeked_; }

 private:
  // Its parts, a file each: the demuxer (reader_demuxer.h), seek landing
  // (reader_seek_landing.cpp), reading ahead into the cache (reader_read_ahead.cpp)
  // and the outputs' decoding (reader_output_decoding.cpp); this class's own file
  // shows the path between them.
  struct Output;  // see reader_pipeline_output.h

  // Where the decoders and the demuxer stand.
  enum class Place {
    FollowingOn,  // where the last delivery left them: a start a little ahead decodes on
    MustSeek,     // elsewhere (read through to the file's end for its length)
    Finished,     // the file or the wanted stretch is read and every frame handed out
  };
  // Where the video output's picture goes once its end is known (SettleHeldFrame).
  enum class Route {
    Host,          // to the host only: forward play from a start that kept decoding
    HostAndCache,  // to the host and into the cache: after a start that seeked
    Cache,         // into the cache only, and audio nowhere: while reading ahead
  };
  // The reading ahead since the last seek.
  enum class Ahead {
    Off,          // none: every output's packets are decoded for the host
    Decoding,     // it took the video decoder on, passing over the other outputs' packets
    PassingOver,  // and passes over an interval the interval decoder claimed
    Parked,       // and waits with the key frame of an interval too far ahead, in parked_
  };

  ReaderPipeline() = default;
  // `streams`: what the header declares, when it could be read.
  HRESULT Init(VideoOutputKind kind, const AsfStreams *streams);
  void Position(int64_t from);
  void EndOfData(bool fileEnded);
  void Pump();
  void Finish(bool fileEnded = false);
  Route HostRoute() const { return lastBeginSeeked_ ? Route::HostAndCache : Route::Host; }

  // Seek landing (reader_seek_landing.cpp).
  void Seek(QWORD time);
  int64_t ExactSeekTime(int64_t streamTime) const;
  bool SeekTo(int64_t streamTime);
  bool CheckLanding(Output &output, int64_t time);
  bool SeekEarlier();

  // Reading ahead (reader_read_ahead.cpp).
  bool ClaimAhead(Output &video, int64_t key, int64_t *claim);
  void EndClaim(bool whole);

  // Decoding (reader_output_decoding.cpp).
  void DecodePacket(Output &output, const AVPacket *packet);
  void TakeVideoFrame(Output &output, AVFrame *frame);
  void TakeAudioFrame(Output &output, AVFrame *frame);
  void SettleHeldFrame(Output &output, int64_t end, bool exactEnd = true);
  void EmitVideo(Output &output, AVFrame *frame, int64_t time, int64_t duration);
  bool ConvertPicture(Output &output, AVFrame *frame, int64_t time, int64_t duration, ReaderSample *sample);

  ReaderDemuxer demuxer_;
  std::vector<std::unique_ptr<Output>> outputs_;
  std::vector<int> outputOfStream_;
  DWORD primaryOutput_ = 0;
  QWORD duration_ = 0;
  AVPacket *packet_ = nullptr;
  Place place_ = Place::MustSeek;
  int64_t resumeFrom_ = 0;  // a start from here on may keep decoding
  bool lastBeginSeeked_ = false;

  // What the host asked for, and where its samples wait.
  int64_t target_ = 0;
  int64_t end_ = INT64_MAX;
  std::deque<ReaderSample> ready_;
  Route route_ = Route::Host;
  AVFrame *frame_ = nullptr;
  SampleBufferPool buffers_;

  // Seek landing.
  int seekStream_ = -1;
  bool exactSeeks_ = false;  // with one video output only
  int64_t seekedTo_ = 0;     // in the seek stream's time base
  size_t landingsDue_ = 0;   // outputs whose first packet after a seek is still to come
  int seekRetries_ = 0;
  // Where seeks to a time landed (the time of the key frame they found), both in the
  // seek stream's time base.
  std::map<int64_t, int64_t> landings_;

  // The cache and the reading ahead into it, with one video output only.
  std::unique_ptr<ReaderPicturePool> pictures_;  // the first video output's, shared with intervals_
  std::unique_ptr<ReaderFrameCache> cache_;
  int64_t servedUntil_ = 0;   // the end, less the tolerance, of the picture TakeFromCache gave
  AVFrame *taken_ = nullptr;  // TakeFromCache's reference
  Ahead ahead_ = Ahead::Off;
  bool aheadDone_ = false;    // this step of reading ahead found going on not worth it
  // Reading frame after frame, the reading ahead shares the key-frame intervals with
  // the interval decoder: it passes over those claimed by the other, and waits with
  // the key frame of one that lies too far ahead.
  std::unique_ptr<ReaderIntervalDecoder> intervals_;
  int64_t claimed_ = INT64_MIN;  // the interval the reading ahead decodes, if it claimed one
  AVPacket *parked_ = nullptr;
  int64_t aheadResumesAt_ = INT64_MIN;
};

}  // namespace wmf

#endif
