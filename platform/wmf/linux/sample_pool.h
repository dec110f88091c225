// The memory of sample buffers, used again once a buffer is gone: a new block per
// video frame would cost page faults on every frame.
#ifndef QV_WMF_SAMPLE_POOL_H
#define QV_WMF_SAMPLE_POOL_H

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "wmf.h"

namespace wmf {

class SamplePool {
 public:
  // Keeps at most `spares` blocks.
  explicit SamplePool(size_t spares) : spares_(spares) {}
  SamplePool(const SamplePool &) = delete;
  SamplePool &operator=(const SamplePool &) = delete;

  // A kept block of exactly `capacity` bytes, else a new one; null without memory.
  std::unique_ptr<BYTE[]> Take(DWORD capacity);
  // Keeps the block of a buffer that is gone, from any thread.
  void Give(std::unique_ptr<BYTE[]> block, DWORD capacity);

 private:
  const size_t spares_;
  std::mutex lock_;
  std::vector<std::pair<std::unique_ptr<BYTE[]>, DWORD>> spare_;
};

}  // namespace wmf

#endif
