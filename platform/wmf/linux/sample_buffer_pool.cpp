// Reuse of sample memory.
#include "sample_buffer_pool.h"

#include <new>

namespace wmf {

largeblock::LargeBlock SampleBlocks::Take(DWORD size, DWORD *capacity) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    // A block much larger than asked stays for the size it came from: audio chunks
    // between video frames would otherwise take the frames' blocks one by one.
    size_t best = spare_.size();
    for (size_t i = 0; i < spare_.size(); ++i) {
      const DWORD kept = spare_[i].second;
      if (kept < size || kept / 2 > size) continue;
      if (best == spare_.size() || kept < spare_[best].second) best = i;
    }
    if (best < spare_.size()) {
      largeblock::LargeBlock block = std::move(spare_[best].first);
      *capacity = spare_[best].second;
      spare_.erase(spare_.begin() + static_cast<std::ptrdiff_t>(best));
      return block;
    }
  }
  *capacity = size;
  return largeblock::LargeBlock::Allocate(size);
}

void SampleBlocks::Give(largeblock::LargeBlock block, DWORD capacity) {
  if (!spares_) return;
  std::lock_guard<std::mutex> hold(lock_);
  // The oldest goes first: the sizes in use now are the ones worth keeping.
  if (spare_.size() >= spares_) spare_.erase(spare_.begin());
  spare_.emplace_back(std::move(block), capacity);
}

SampleBuffer *SampleBufferPool::Take(DWORD size) {
  DWORD capacity = 0;
  largeblock::LargeBlock block = blocks_->Take(size, &capacity);
  if (!block) return nullptr;
  return new (std::nothrow) SampleBuffer(std::move(block), capacity, size, blocks_);
}

}  // namespace wmf
