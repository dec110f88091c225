// The reader's cache of decoded pictures.
#include "reader_frame_cache.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

extern "C" {
#include <libavutil/frame.h>
}

#include "extensions.h"

namespace wmf {

ReaderFrameCache::~ReaderFrameCache() { Clear(); }

size_t ReaderFrameCache::SizeOf(const AVFrame &frame) {
  size_t size = sizeof(AVFrame);
  for (const AVBufferRef *buffer : frame.buf)
    if (buffer) size += buffer->size;
  return size;
}

void ReaderFrameCache::DropAt(std::map<int64_t, std::pair<int64_t, AVFrame *>>::iterator at) {
  bytes_ -= SizeOf(*at->second.second);
  av_frame_free(&at->second.second);
  pictures_.erase(at);
}

// Wakes the Takes that wait, if any: a wake-up costs a system call on every picture.
void ReaderFrameCache::Changed() {
  if (waiters_ > 0) changed_.notify_all();
}

size_t ReaderFrameCache::DefaultBudget(size_t pictureBytes, int64_t frameDuration) {
  const size_t pictures = static_cast<size_t>(kDefaultSpan / (frameDuration > 0 ? frameDuration : 1)) + 1;
  const size_t wanted = pictures * pictureBytes;
  return wanted < kLeastDefaultBudget ? kLeastDefaultBudget : wanted > kMostDefaultBudget ? kMostDefaultBudget : wanted;
}

// How far ahead of the focus a run keeps pictures: as far as the budget holds them
// (nothing before the focus is kept in a run).
int64_t ReaderFrameCache::RunReach() const {
  if (pictureBytes_ == 0) return kRunAhead;
  const size_t pictures = budget_ / pictureBytes_;
  const int64_t held = pictures > 1 ? static_cast<int64_t>(pictures - 1) * frameDuration_ : 0;
  return held < kRunAhead ? held : kRunAhead;
}

int64_t ReaderFrameCache::IntervalSpan() const { return intervalSpan_ > 0 ? intervalSpan_ : kUsualInterval; }

// Whether a picture shown from `time` would be kept: there is room, or something
// farther from the focus gives way.
bool ReaderFrameCache::Fits(int64_t time) const {
  if (pictures_.count(time) || bytes_ + pictureBytes_ <= budget_) return true;
  if (pictures_.empty()) return pictureBytes_ <= budget_;
  auto distance = [this](int64_t t) { return t > focus_ ? t - focus_ : focus_ - t; };
  const int64_t farthest = std::max(distance(pictures_.begin()->first), distance(std::prev(pictures_.end())->first));
  return farthest > distance(time);
}

int64_t ReaderFrameCache::Reach() const { return focus_ + (inRun_ ? RunReach() : ahead_); }

bool ReaderFrameCache::Wanted(int64_t time) const { return time >= keepFrom_ && time <= Reach(); }

// Reading ahead goes this far; what is read ahead already stays when the stretch
// shrinks (the decoder is past it).
int64_t ReaderFrameCache::Horizon() const {
  if (inRun_) return focus_ + RunReach();
  return focus_ + (Sequential() ? kStretch : ahead_);
}

bool ReaderFrameCache::WantsAhead(int64_t time) {
  std::lock_guard<std::mutex> hold(lock_);
  const bool wanted = time <= Horizon() && Fits(time);
  const Ahead state = wanted ? Ahead::Reading : Ahead::Waiting;
  if (aheadState_ != Ahead::Off && aheadState_ != state) {
    aheadState_ = state;
    Changed();
  }
  return wanted;
}

// Within a run the horizon only moves with the focus; otherwise any move may end the
// reading frame after frame and change it.
int64_t ReaderFrameCache::AheadResumesAt(int64_t time) const {
  std::lock_guard<std::mutex> hold(lock_);
  return inRun_ ? time - RunReach() : INT64_MIN;
}

// Drops what lies outside the focus's interval, the one before it and the stretch
// ahead. An interval starts at a key frame; until two key frames at or before the
// focus are kept, everything before the focus stays (it is being decoded towards it).
// Reading frame after frame keeps nothing before the focus.
void ReaderFrameCache::Trim() {
  keepFrom_ = Sequential() ? focus_ : INT64_MIN;
  int keys = 0;
  for (auto at = pictures_.upper_bound(focus_); at != pictures_.begin() && !Sequential();) {
    --at;
    if (at->second.second->key_frame && ++keys == 2) {
      keepFrom_ = at->first;
      break;
    }
  }
  while (!pictures_.empty() && pictures_.begin()->first < keepFrom_) DropAt(pictures_.begin());
  while (!pictures_.empty() && std::prev(pictures_.end())->first > Reach()) DropAt(std::prev(pictures_.end()));
  // Claims of intervals before the focus's own are done with.
  auto own = claims_.upper_bound(focus_);
  if (own != claims_.begin()) claims_.erase(claims_.begin(), std::prev(own));
}

ReaderFrameCache::Kept ReaderFrameCache::Put(const AVFrame &frame, int64_t time, int64_t end, bool readAhead,
                                              int64_t interval) {
  std::lock_guard<std::mutex> hold(lock_);
  if (readAhead) aheadUntil_ = end;
  if (interval != kNoInterval) {
    auto claim = claims_.find(interval);
    if (claim != claims_.end()) claim->second.progress = end;
  }
  if (readAhead || interval != kNoInterval) Changed();
  if (pictures_.count(time)) return Kept::AlreadyThere;
  if (!Wanted(time)) return Kept::NoRoom;
  const size_t size = SizeOf(frame);
  if (size > pictureBytes_) pictureBytes_ = size;
  auto distance = [this](int64_t t) { return t > focus_ ? t - focus_ : focus_ - t; };
  while (bytes_ + size > budget_ && !pictures_.empty()) {
    // The farthest from the focus is at one end or the other.
    auto first = pictures_.begin();
    auto last = std::prev(pictures_.end());
    auto farthest = distance(first->first) >= distance(last->first) ? first : last;
    if (distance(farthest->first) <= distance(time)) return Kept::NoRoom;
    DropAt(farthest);
  }
  if (size > budget_) return Kept::NoRoom;
  AVFrame *copy = av_frame_alloc();
  if (!copy) return Kept::NoRoom;
  if (av_frame_ref(copy, &frame) < 0) {
    av_frame_free(&copy);
    return Kept::NoRoom;
  }
  pictures_[time] = {end, copy};
  bytes_ += size;
  if (copy->key_frame) Trim();  // a new interval may start
  Changed();
  return Kept::Added;
}

bool ReaderFrameCache::Take(int64_t time, int64_t tolerance, int64_t wait, AVFrame *into, int64_t *start,
                            int64_t *end) {
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    // The last picture shown from at or before `time`, still on screen then.
    auto at = pictures_.upper_bound(time + tolerance);
    if (at != pictures_.begin()) {
      --at;
      if (at->second.first - tolerance > time) {
        if (av_frame_ref(into, at->second.second) < 0) return false;
        *start = at->first;
        *end = at->second.first;
        return true;
      }
    }
    // The reading ahead goes on to pictures after the last it put here, unless it
    // waits for the focus to move on.
    const bool coming = (aheadState_ == Ahead::Reading && aheadUntil_ != INT64_MIN &&
                         aheadUntil_ - tolerance <= time && time - aheadUntil_ <= wait) ||
                        ClaimComing(time, tolerance, wait);
    if (!coming) return false;
    ++waiters_;
    changed_.wait(hold);
    --waiters_;
  }
}

// Whether the interval decoder that claimed the interval of `time` is still to offer
// its picture.
bool ReaderFrameCache::ClaimComing(int64_t time, int64_t tolerance, int64_t wait) const {
  auto claim = claims_.upper_bound(time + tolerance);
  if (claim == claims_.begin()) return false;
  const Claimed &last = std::prev(claim)->second;
  return last.active && last.progress - tolerance <= time && time - last.progress <= wait;
}

ReaderFrameCache::Claim ReaderFrameCache::ClaimInterval(int64_t key) {
  std::lock_guard<std::mutex> hold(lock_);
  if (!inRun_) return Claim::NoRun;
  // Every interval of a run is claimed by one decoder or the other, in turn: the
  // claim before this one tells how long intervals last.
  auto before = claims_.lower_bound(key);
  if (before != claims_.begin()) intervalSpan_ = key - std::prev(before)->first;
  if (!Shared()) return Claim::NoRun;
  if (claims_.count(key)) return Claim::Taken;
  if (key > focus_ + kClaimAhead || key + IntervalSpan() > focus_ + RunReach()) return Claim::TooFar;
  claims_[key] = {key, true};
  Changed();
  return Claim::Mine;
}

int64_t ReaderFrameCache::ClaimableFrom(int64_t key) const {
  std::lock_guard<std::mutex> hold(lock_);
  const int64_t fits = key + IntervalSpan() - RunReach();
  return std::max(key - kClaimAhead, fits);
}

void ReaderFrameCache::EndInterval(int64_t key, bool whole) {
  std::lock_guard<std::mutex> hold(lock_);
  auto claim = claims_.find(key);
  if (claim == claims_.end()) return;
  if (whole)
    claim->second.active = false;
  else
    claims_.erase(claim);
  Changed();
}

void ReaderFrameCache::EndIntervals() {
  std::lock_guard<std::mutex> hold(lock_);
  for (auto &claim : claims_) claim.second.active = false;
  Changed();
}

uint64_t ReaderFrameCache::Run() const {
  std::lock_guard<std::mutex> hold(lock_);
  return Shared() ? run_ : 0;
}

int64_t ReaderFrameCache::JoinPoint() const {
  std::lock_guard<std::mutex> hold(lock_);
  return aheadState_ != Ahead::Off && aheadUntil_ > focus_ ? aheadUntil_ : focus_;
}

void ReaderFrameCache::SetFocus(int64_t time) {
  std::lock_guard<std::mutex> hold(lock_);
  // A start a little before the picture it finds is no step back.
  if (time > focus_ || focus_ - time > kNudge) steps_ = time > focus_ && time - focus_ <= kStep ? steps_ + 1 : 0;
  focus_ = time;
  const bool inRun = steps_ >= kRunSteps;
  if (inRun != inRun_) {
    inRun_ = inRun;
    run_ += inRun;
    claims_.clear();
    Changed();
  }
  Trim();
}

void ReaderFrameCache::SetReadingAhead(bool reading) {
  std::lock_guard<std::mutex> hold(lock_);
  const Ahead state = reading ? Ahead::Reading : Ahead::Off;
  if (state == aheadState_) return;
  aheadState_ = state;
  if (!reading) aheadUntil_ = INT64_MIN;
  Changed();
}

void ReaderFrameCache::Clear() {
  std::lock_guard<std::mutex> hold(lock_);
  for (auto &entry : pictures_) av_frame_free(&entry.second.second);
  pictures_.clear();
  bytes_ = 0;
  claims_.clear();
  Changed();
}

size_t ReaderCacheBudgetFromEnvironment() {
  const char *value = std::getenv(QV_WMF_READER_CACHE_MB_VARIABLE);
  if (!value || !*value) return kSizedBudget;
  char *end = nullptr;
  const unsigned long megabytes = std::strtoul(value, &end, 10);
  if (*end || megabytes > 4096) return kSizedBudget;
  return static_cast<size_t>(megabytes) << 20;
}

}  // namespace wmf
