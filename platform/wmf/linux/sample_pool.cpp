// Reuse of sample memory.
#include "sample_pool.h"

#include <new>

namespace wmf {

std::unique_ptr<BYTE[]> SamplePool::Take(DWORD capacity) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    for (auto &spare : spare_) {
      if (spare.second != capacity) continue;
      std::unique_ptr<BYTE[]> block = std::move(spare.first);
      spare = std::move(spare_.back());
      spare_.pop_back();
      return block;
    }
  }
  return std::unique_ptr<BYTE[]>(new (std::nothrow) BYTE[capacity ? capacity : 1]);
}

void SamplePool::Give(std::unique_ptr<BYTE[]> block, DWORD capacity) {
  std::lock_guard<std::mutex> hold(lock_);
  // The oldest goes first: the sizes in use now are the ones worth keeping.
  if (spare_.size() >= spares_ && !spare_.empty()) spare_.erase(spare_.begin());
  if (spares_) spare_.emplace_back(std::move(block), capacity);
}

}  // namespace wmf
