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
#include "reader_output_format.h"
#include "sample_buffer_pool.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;

namespace wmf {

// Gives a packet read from the file the showing time the file stores for it.
void PresentAtStoredTime(AVPacket *packet);

class ReaderVideoConverter;
class ReaderAudioConverter;

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
  struct Output;
  ReaderPipeline() = default;
  // `streams`: what the header declares, when it could be read.
  HRESULT Init(VideoOutputKind kind, const AsfStreams *streams);
  QWORD LastEndTime();
  void Position(int64_t from);
  void Seek(QWORD time);
  int64_t ExactSeekTime(int64_t streamTime) const;
  bool SeekTo(int64_t streamTime);
  bool CheckLanding(Output &output, int64_t time);
  bool SeekEarlier();
  void EndOfData(bool fileEnded);
  void Pump();
  bool ReadPacket();
  bool ClaimAhead(Output &video, int64_t key, int64_t *claim);
  void DecodePacket(Output &output, const AVPacket *packet);
  void TakeVideoFrame(Output &output, AVFrame *frame);
  void TakeAudioFrame(Output &output, AVFrame *frame);
  void SettleHeldFrame(Output &output, int64_t end, bool exactEnd = true);
  void EmitVideo(Output &output, AVFrame *frame, int64_t time, int64_t duration);
  bool ConvertPicture(Output &output, AVFrame *frame, int64_t time, int64_t duration, ReaderSample *sample);
  void Finish(bool fileEnded = false);
  DWORD IndexOf(const Output &output) const;

  AVFormatContext *format_ = nullptr;
  std::vector<std::unique_ptr<Output>> outputs_;
  std::vector<int> outputOfStream_;
  int seekStream_ = -1;
  DWORD primaryOutput_ = 0;
  QWORD duration_ = 0;
  AVPacket *packet_ = nullptr;
  AVFrame *frame_ = nullptr;
  std::deque<ReaderSample> ready_;
  int64_t target_ = 0;
  int64_t end_ = INT64_MAX;
  bool positioned_ = false;  // decoders and demuxer follow on from the last delivery
  bool finished_ = false;    // the file is read and every frame handed out
  int64_t resumeFrom_ = 0;     // a start from here on may keep decoding
  int64_t seekedTo_ = 0;       // in the seek stream's time base
  size_t landingsDue_ = 0;     // outputs whose first packet after a seek is still to come
  int seekRetries_ = 0;
  bool lastBeginSeeked_ = false;
  std::unique_ptr<ReaderPicturePool> pictures_;  // the first video output's, shared with intervals_
  std::unique_ptr<ReaderFrameCache> cache_;  // with one video output only
  bool exactSeeks_ = false;                  // likewise
  int64_t servedUntil_ = 0;   // the end, less the tolerance, of the picture TakeFromCache gave
  AVFrame *taken_ = nullptr;  // TakeFromCache's reference
  bool readingAhead_ = false; // decoded pictures go to the cache only
  bool aheadOnly_ = false;    // read ahead since the last seek: only the video output followed
  bool aheadDone_ = false;
  // Reading frame after frame, the reading ahead shares the key-frame intervals with
  // the interval decoder: it passes over those claimed by the other, and waits with
  // the key frame of one that lies too far ahead.
  std::unique_ptr<ReaderIntervalDecoder> intervals_;
  int64_t claimed_ = INT64_MIN;  // the interval the reading ahead decodes, if it claimed one
  bool passingOver_ = false;
  AVPacket *parked_ = nullptr;
  bool havePark_ = false;
  int64_t aheadResumesAt_ = INT64_MIN;
  // Where seeks to a time landed (the time of the key frame they found), both in the
  // seek stream's time base.
  std::map<int64_t, int64_t> landings_;
  SampleBufferPool buffers_;
};

}  // namespace wmf

#endif
