// Decoded pictures of the reader's video output near the last delivered frame, in
// the decoder's own format and converted only when delivered: a host that steps
// backwards or jumps a little then finds each picture decoded once. It keeps the
// key-frame interval of the focus and the one before it, and what lies up to `ahead`
// after the focus (where reading ahead fills it, on a thread of its own), within a
// budget in bytes. Keeping no more than that matters as much as keeping that much:
// every picture kept is a buffer the decoder cannot reuse, and fresh memory is slow.
// And no decoder decodes a picture the budget has no room for (see WantsAhead and
// ClaimInterval): a picture decoded and thrown away unserved is decoded twice.
//
// A host reading frame after frame does not come back, so while the focus moves on
// a picture at a time the cache keeps only the focus and a few pictures ahead: the
// decoder's buffer pool then recycles a handful of buffers that are still warm
// instead of first touching new memory for most pictures. Once that goes on for a
// while (a run), a second decoder decodes whole key-frame intervals ahead beside the
// first (see ClaimInterval), and the cache keeps what both have decoded ahead, as
// far as the budget holds pictures of the file's size.
//
// Pictures are kept by the span they are shown for, so one found here is the same
// picture, with the same times, that decoding the file in sequence gives.
#ifndef QV_WMF_READER_FRAME_CACHE_H
#define QV_WMF_READER_FRAME_CACHE_H

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <climits>
#include <map>
#include <mutex>

struct AVFrame;

namespace wmf {

class ReaderFrameCache {
 public:
  // The budget unless one is asked for: the pictures of kDefaultSpan, within these
  // bounds (see DefaultBudget).
  static constexpr size_t kLeastDefaultBudget = 64u << 20;
  static constexpr size_t kMostDefaultBudget = 256u << 20;
  static constexpr int64_t kDefaultSpan = 25000000;  // 2.5 s
  // For pictures of `pictureBytes`, one every `frameDuration` (100 ns units): room
  // for a run's two decoders to decode an interval each, with key frames a second
  // apart, and for a host stepping back through the interval before the focus.
  static size_t DefaultBudget(size_t pictureBytes, int64_t frameDuration);

  // `frameDuration`: the nominal time per picture, by which the budget counts how far
  // ahead its pictures reach.
  ReaderFrameCache(size_t budget, int64_t ahead, int64_t frameDuration)
      : budget_(budget), ahead_(ahead), frameDuration_(frameDuration > 0 ? frameDuration : 1) {}
  ~ReaderFrameCache();
  ReaderFrameCache(const ReaderFrameCache &) = delete;
  ReaderFrameCache &operator=(const ReaderFrameCache &) = delete;

  static constexpr int64_t kNoInterval = INT64_MIN;

  enum class Kept { Added, AlreadyThere, NoRoom };
  // Keeps a reference to `frame`, shown from `time` until `end`. Pictures farthest
  // from the focus give way when the budget is full; NoRoom when this one would be
  // the farthest (it is not kept then). `readAhead`: the reader's own decoder read it
  // ahead; `interval`: the key frame of the claimed interval it belongs to.
  Kept Put(const AVFrame &frame, int64_t time, int64_t end, bool readAhead = false,
           int64_t interval = kNoInterval);
  // Gives `into` a reference to the picture shown at `time`, where a picture counts as
  // shown from `tolerance` before its time to `tolerance` before its end. When the
  // reading ahead is about to decode it (within `wait` of what it has), waits for it.
  bool Take(int64_t time, int64_t tolerance, int64_t wait, AVFrame *into, int64_t *start, int64_t *end);
  // Where the host looks now: what lies outside the intervals kept around it goes,
  // and, when the budget is full, what lies farthest.
  void SetFocus(int64_t time);
  // Whether a picture shown from `time` is worth reading ahead: it lies within the
  // horizon and the budget has room for it. When it is not, the reading ahead waits
  // there for the focus to move on, and Take waits for it no longer.
  bool WantsAhead(int64_t time);
  // When it is not: the focus from which it may be (INT64_MIN: any move may change
  // that).
  int64_t AheadResumesAt(int64_t time) const;
  // Whether a reading ahead is under way (Take may wait for it), or has ended.
  void SetReadingAhead(bool reading);
  void Clear();

  // While the host reads frame after frame (kRunSteps focus moves in a row), two
  // decoders share the reading ahead: an interval from a key frame to the next
  // decodes on its own, so each decoder takes whole intervals, and claims one by its
  // key frame's time before decoding it. Claims live as long as the run.
  enum class Claim { Mine, Taken, TooFar, NoRun };
  // TooFar: the interval starts more than kClaimAhead after the focus, or the budget
  // would not hold its pictures (claim it once the focus moves on); NoRun: not reading
  // frame after frame, or the budget cannot hold two intervals ahead of the focus (one
  // decoder then reads on in order).
  Claim ClaimInterval(int64_t key);
  // The focus from which an interval starting at `key` may be claimed.
  int64_t ClaimableFrom(int64_t key) const;
  // The claimant stops decoding the interval: `whole` when every picture of it was
  // offered; otherwise it is free again.
  void EndInterval(int64_t key, bool whole);
  // No decoder goes on with the intervals it claimed (closing).
  void EndIntervals();
  // Identifies the current run of frame-after-frame reading, 0 outside one or when
  // intervals are not shared: an interval decoder that sees it change drops what it
  // was doing.
  uint64_t Run() const;
  // Where an interval decoder joining the run starts: after what the reader's own
  // decoder has read ahead, and after the focus.
  int64_t JoinPoint() const;

 private:
  static size_t SizeOf(const AVFrame &frame);
  bool Sequential() const { return steps_ >= kSequentialSteps; }
  int64_t RunReach() const;
  int64_t IntervalSpan() const;
  bool Shared() const { return inRun_ && 2 * IntervalSpan() <= RunReach(); }
  bool Fits(int64_t time) const;
  int64_t Horizon() const;
  bool Wanted(int64_t time) const;
  int64_t Reach() const;
  void Trim();
  void DropAt(std::map<int64_t, std::pair<int64_t, AVFrame *>>::iterator at);
  bool ClaimComing(int64_t time, int64_t tolerance, int64_t wait) const;
  void Changed();

  // Focus moves of up to kStep forwards, kSequentialSteps of them in a row, are
  // reading frame after frame (a frame lasts at most kStep in files worth reading
  // so); the cache then keeps the focus and reads up to kStretch ahead of it, enough
  // to keep the decoder busy while the host takes a picture.
  static constexpr int64_t kStep = 1000000;     // 100 ms
  static constexpr int kSequentialSteps = 2;
  static constexpr int64_t kStretch = 2000000;  // 200 ms
  static constexpr int64_t kNudge = 10000;      // 1 ms: a time's rounding in the file
  // Reading frame after frame this long is a run worth a second decoder; within one,
  // an interval is claimed once it starts within kClaimAhead of the focus (with key
  // frames a second apart, the next interval at once and the one after from half way
  // through the focus's: each decoder then has an interval to decode while the other
  // ends one), and pictures are kept up to kRunAhead ahead. Claiming further ahead
  // gains little and costs fresh buffers, which are slow.
  static constexpr int kRunSteps = 8;
  static constexpr int64_t kClaimAhead = 15000000;  // 1.5 s
  static constexpr int64_t kRunAhead = 30000000;    // 3 s
  // Intervals are taken to last this long until two claims a run apart tell.
  static constexpr int64_t kUsualInterval = 10000000;  // 1 s

  const size_t budget_;
  const int64_t ahead_;
  const int64_t frameDuration_;
  size_t pictureBytes_ = 0;    // of the largest picture put, 0 before the first
  int64_t intervalSpan_ = 0;   // between the key frames of intervals claimed in turn
  int steps_ = 0;  // forward moves of the focus by up to kStep in a row
  int64_t keepFrom_ = INT64_MIN;  // the key frame before the focus's interval
  mutable std::mutex lock_;
  std::condition_variable changed_;
  size_t bytes_ = 0;
  int64_t focus_ = 0;
  // The reader's own decoder reading ahead: not at all, decoding, or waiting for the
  // focus to move on (at the horizon, or for room).
  enum class Ahead { Off, Reading, Waiting };
  Ahead aheadState_ = Ahead::Off;
  int64_t aheadUntil_ = INT64_MIN;  // the end of the last picture read ahead
  std::map<int64_t, std::pair<int64_t, AVFrame *>> pictures_;  // time: end, picture
  int waiters_ = 0;  // Takes waiting for a picture
  uint64_t run_ = 0;
  bool inRun_ = false;
  struct Claimed {
    int64_t progress;  // the end of the last picture offered
    bool active;       // its claimant still decodes it
  };
  std::map<int64_t, Claimed> claims_;  // by key frame time
};

// The budget QV_WMF_READER_CACHE_MB asks for (see extensions.h); kSizedBudget when
// unset or not a number.
constexpr size_t kSizedBudget = SIZE_MAX;  // ReaderFrameCache::DefaultBudget for the file
size_t ReaderCacheBudgetFromEnvironment();

}  // namespace wmf

#endif
