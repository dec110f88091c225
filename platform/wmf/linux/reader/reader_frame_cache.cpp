// The reader's cache of decoded pictures.
#include "reader_frame_cache.h"

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

bool ReaderFrameCache::Wanted(int64_t time) const { return time >= keepFrom_ && time <= focus_ + ahead_; }

// Reading ahead goes this far; what is read ahead already stays when the stretch
// shrinks (the decoder is past it).
int64_t ReaderFrameCache::Horizon() const { return focus_ + (Sequential() ? kStretch : ahead_); }

bool ReaderFrameCache::WantsAhead(int64_t time) const {
  std::lock_guard<std::mutex> hold(lock_);
  return time <= Horizon();
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
  while (!pictures_.empty() && std::prev(pictures_.end())->first > focus_ + ahead_) DropAt(std::prev(pictures_.end()));
}

ReaderFrameCache::Kept ReaderFrameCache::Put(const AVFrame &frame, int64_t time, int64_t end, bool readAhead) {
  std::lock_guard<std::mutex> hold(lock_);
  if (readAhead) {
    aheadUntil_ = end;
    changed_.notify_all();
  }
  if (pictures_.count(time)) return Kept::AlreadyThere;
  if (!Wanted(time)) return Kept::NoRoom;
  const size_t size = SizeOf(frame);
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
  changed_.notify_all();
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
    // Reading ahead stops at the horizon only once every picture shown before it is
    // here, so a picture shown before the horizon is still to come.
    const bool coming = readingAhead_ && aheadUntil_ != INT64_MIN && aheadUntil_ - tolerance <= time &&
                        time - aheadUntil_ <= wait && time + tolerance <= Horizon();
    if (!coming) return false;
    changed_.wait(hold);
  }
}

void ReaderFrameCache::SetFocus(int64_t time) {
  std::lock_guard<std::mutex> hold(lock_);
  // A start a little before the picture it finds is no step back.
  if (time > focus_ || focus_ - time > kNudge) steps_ = time > focus_ && time - focus_ <= kStep ? steps_ + 1 : 0;
  focus_ = time;
  Trim();
}

void ReaderFrameCache::SetReadingAhead(bool reading) {
  std::lock_guard<std::mutex> hold(lock_);
  readingAhead_ = reading;
  if (!reading) aheadUntil_ = INT64_MIN;
  changed_.notify_all();
}

void ReaderFrameCache::Clear() {
  std::lock_guard<std::mutex> hold(lock_);
  for (auto &entry : pictures_) av_frame_free(&entry.second.second);
  pictures_.clear();
  bytes_ = 0;
}

size_t ReaderCacheBudgetFromEnvironment() {
  const char *value = std::getenv(QV_WMF_READER_CACHE_MB_VARIABLE);
  if (!value || !*value) return ReaderFrameCache::kDefaultBudget;
  char *end = nullptr;
  const unsigned long megabytes = std::strtoul(value, &end, 10);
  if (*end || megabytes > 4096) return ReaderFrameCache::kDefaultBudget;
  return static_cast<size_t>(megabytes) << 20;
}

}  // namespace wmf
