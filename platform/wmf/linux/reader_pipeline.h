// The reader's demux, decode and convert pipeline over one ASF file, without threads:
// Begin positions it at a time, Next hands out the following sample.
#ifndef QV_WMF_READER_PIPELINE_H
#define QV_WMF_READER_PIPELINE_H

#include <atomic>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "com_object.h"
#include "reader_output_format.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;

namespace wmf {

class ReaderVideoConverter;
class ReaderAudioConverter;

class SampleBuffer;

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
  // Opens and parses the file. `cancel` becomes true to abandon a slow open.
  static HRESULT Open(const std::string &path, VideoOutputKind kind, const std::atomic<bool> *cancel,
                      std::unique_ptr<ReaderPipeline> *pipeline);
  ~ReaderPipeline();

  DWORD OutputCount() const { return static_cast<DWORD>(outputs_.size()); }
  const MediaType &OutputType(DWORD output) const;
  // Length of the file in 100 ns units.
  QWORD Duration() const { return duration_; }

  // Positions the pipeline so that the first video sample Next returns is the frame
  // shown at `start`, and audio begins with the block that plays at `start`.
  // `length` 0 plays to the end. A start a little ahead of the last delivered frame
  // keeps decoding instead of seeking.
  void Begin(QWORD start, QWORD length);
  enum class Step { Sample, End, Interrupted };
  // The next sample in the order the file holds them. Between packets it gives up
  // with Interrupted as soon as *interrupt (when given) is not 0.
  Step Next(ReaderSample *sample, const std::atomic<size_t> *interrupt = nullptr);

  // How the last Begin positioned the pipeline (for tests and benchmarks).
  bool LastBeginSeeked() const { return lastBeginSeeked_; }

 private:
  struct Output;
  ReaderPipeline() = default;
  HRESULT Init(VideoOutputKind kind);
  QWORD LastEndTime();
  void Seek(QWORD time);
  bool SeekTo(int64_t streamTime);
  bool CheckLanding(Output &output, int64_t time);
  bool SeekEarlier();
  void EndOfData();
  void Pump();
  bool ReadPacket();
  void DecodePacket(Output &output, const AVPacket *packet);
  void TakeVideoFrame(Output &output, AVFrame *frame);
  void TakeAudioFrame(Output &output, AVFrame *frame);
  void SettleHeldFrame(Output &output, int64_t end);
  void EmitVideo(Output &output, AVFrame *frame, int64_t time, int64_t duration);
  void Finish();
  DWORD IndexOf(const Output &output) const;
  // A buffer of at least `capacity` bytes, with one reference for the caller.
  SampleBuffer *TakeBuffer(DWORD capacity);

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
  static constexpr size_t kSpareBuffers = 8;
  std::vector<SampleBuffer *> spare_;  // each holds one reference of this list
};

}  // namespace wmf

#endif
