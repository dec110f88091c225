// The reader's cache of decoded pictures.
#include "reader_frame_cache.h"

#include <cstdlib>

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

void ReaderFrameCache::Drop(std::map<int64_t, Picture>::iterator at) {
  bytes_ -= SizeOf(*at->second.frame);
  av_frame_free(&at->second.frame);
  pictures_.erase(at);
}

bool ReaderFrameCache::Put(const AVFrame &frame, int64_t time, int64_t end) {
  if (pictures_.count(time)) return true;
  const size_t size = SizeOf(frame);
  auto distance = [this](int64_t t) { return t > focus_ ? t - focus_ : focus_ - t; };
  while (bytes_ + size > budget_ && !pictures_.empty()) {
    // The farthest from the focus is at one end or the other.
    auto first = pictures_.begin();
    auto last = std::prev(pictures_.end());
    auto farthest = distance(first->first) >= distance(last->first) ? first : last;
    if (distance(farthest->first) <= distance(time)) return false;
    Drop(farthest);
  }
  if (size > budget_) return false;
  AVFrame *copy = av_frame_alloc();
  if (!copy) return false;
  if (av_frame_ref(copy, &frame) < 0) {
    av_frame_free(&copy);
    return false;
  }
  pictures_[time] = Picture{time, end, copy};
  bytes_ += size;
  return true;
}

const ReaderFrameCache::Picture *ReaderFrameCache::Find(int64_t time, int64_t tolerance) const {
  // The last picture shown from at or before `time`...
  auto at = pictures_.upper_bound(time + tolerance);
  if (at == pictures_.begin()) return nullptr;
  --at;
  // ...still on screen then.
  return at->second.end - tolerance > time ? &at->second : nullptr;
}

void ReaderFrameCache::Clear() {
  for (auto &entry : pictures_) av_frame_free(&entry.second.frame);
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
