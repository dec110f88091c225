// Decoded pictures of the reader's video output near the last delivered frame, in
// the decoder's own format and converted only when delivered, bounded in bytes: a
// host that steps backwards or jumps a little then finds each picture decoded once.
//
// Pictures are kept by the span they are shown for, so one found here is the same
// picture, with the same times, that decoding the file in sequence gives.
#ifndef QV_WMF_READER_FRAME_CACHE_H
#define QV_WMF_READER_FRAME_CACHE_H

#include <cstddef>
#include <cstdint>
#include <map>

struct AVFrame;

namespace wmf {

class ReaderFrameCache {
 public:
  static constexpr size_t kDefaultBudget = 64u << 20;

  explicit ReaderFrameCache(size_t budget = kDefaultBudget) : budget_(budget) {}
  ~ReaderFrameCache();
  ReaderFrameCache(const ReaderFrameCache &) = delete;
  ReaderFrameCache &operator=(const ReaderFrameCache &) = delete;

  struct Picture {
    int64_t time = 0;  // shown from (100 ns units)
    int64_t end = 0;   // until
    AVFrame *frame = nullptr;  // a reference of the cache's own
  };

  // Keeps a reference to `frame`, shown from `time` until `end`. Pictures farthest
  // from the focus give way when the budget is full; false when this one would be
  // the farthest (it is not kept then).
  bool Put(const AVFrame &frame, int64_t time, int64_t end);
  // The picture shown at `time`, where a picture counts as shown from `tolerance`
  // before its time to `tolerance` before its end; null when none is kept.
  const Picture *Find(int64_t time, int64_t tolerance) const;
  bool Has(int64_t time) const { return pictures_.count(time) != 0; }
  // Where the host looks now: what lies farthest from here goes first.
  void SetFocus(int64_t time) { focus_ = time; }
  void Clear();
  size_t Bytes() const { return bytes_; }
  size_t Budget() const { return budget_; }

 private:
  static size_t SizeOf(const AVFrame &frame);
  void Drop(std::map<int64_t, Picture>::iterator at);

  size_t budget_;
  size_t bytes_ = 0;
  int64_t focus_ = 0;
  std::map<int64_t, Picture> pictures_;  // by time
};

// The budget QV_WMF_READER_CACHE_MB asks for (see extensions.h); the default when
// unset or not a number.
size_t ReaderCacheBudgetFromEnvironment();

}  // namespace wmf

#endif
