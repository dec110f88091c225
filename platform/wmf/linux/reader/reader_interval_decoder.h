// A second decoder of the reader's video output, for a host reading frame after
// frame: one decoder alone is slower than the plain decode-and-convert a host could
// do itself, since it has the conversion to wait for as well. This one reads the file
// on its own demuxer and decodes, into the reader's cache, whole key-frame intervals
// that the reader's own decoder has not claimed (see ReaderFrameCache::ClaimInterval),
// so that two cores decode at once. Its pictures and their spans are those a
// sequential decode gives: an interval decodes from its key frame alone, and its last
// picture lasts until the next key frame.
#ifndef QV_WMF_READER_INTERVAL_DECODER_H
#define QV_WMF_READER_INTERVAL_DECODER_H

#include <atomic>
#include <cstdint>
#include <string>

#include "reader_demuxer.h"

struct AVCodecContext;
struct AVCodecParameters;
struct AVFrame;
struct AVPacket;

namespace wmf {

class ReaderFrameCache;
class ReaderPicturePool;

class ReaderIntervalDecoder {
 public:
  struct Stream {
    int index = -1;
    int timeBaseNum = 1, timeBaseDen = 1000;
    int64_t frameDuration = 0;  // 100 ns units, as the reader's own decoder counts it
    int64_t fileEnd = 0;        // where the last picture ends at the latest
  };
  // `parameters` are copied; `cancel` becomes true to abandon a slow read.
  // Pictures come from `pictures` (when given), as the reader's own decoder's do.
  ReaderIntervalDecoder(const std::string &path, const Stream &stream, const AVCodecParameters &parameters,
                        ReaderFrameCache *cache, ReaderPicturePool *pictures, const std::atomic<bool> *cancel);
  ~ReaderIntervalDecoder();
  ReaderIntervalDecoder(const ReaderIntervalDecoder &) = delete;
  ReaderIntervalDecoder &operator=(const ReaderIntervalDecoder &) = delete;

  // Reads one packet on; false when there is nothing to do until the focus moves on
  // (no run of frame-after-frame reading, the next interval lies too far ahead, the
  // file ended, or the decoder cannot work).
  bool Step();
  // After Step gave false: the focus from which stepping is worth it again
  // (INT64_MIN: at the next move).
  int64_t ResumesAt() const { return resumesAt_; }
  // Gives up the interval under way (before the thread that steps it ends).
  void Stop();

 private:
  enum class State { Idle, Scanning, Decoding, Done };
  bool Open();
  bool Join();
  void Decode(const AVPacket *packet);
  void Settle(int64_t end);
  void EndClaim(bool whole);
  void Drain();

  const std::string path_;
  const Stream stream_;
  AVCodecParameters *parameters_ = nullptr;
  ReaderFrameCache *const cache_;
  ReaderPicturePool *const pictures_;
  const std::atomic<bool> *const cancel_;
  ReaderDemuxer demuxer_;
  AVCodecContext *codec_ = nullptr;
  AVPacket *packet_ = nullptr;
  AVFrame *frame_ = nullptr;
  AVFrame *held_ = nullptr;  // the latest picture, until the next one says where it ends
  int64_t heldTime_ = 0;
  int64_t nextTime_ = 0;
  bool parked_ = false;      // packet_ holds a key frame to claim once the focus moves on
  bool broken_ = false;      // cannot read the file: stays idle
  State state_ = State::Idle;
  uint64_t run_ = 0;
  int64_t after_ = 0;        // intervals from here on are this decoder's to claim
  int64_t claim_ = 0;        // the interval being decoded
  int64_t resumesAt_ = INT64_MIN;
};

}  // namespace wmf

#endif
