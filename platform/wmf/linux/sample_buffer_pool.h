// Sample buffers whose memory is used again: a new block for each video frame would
// cost page faults on every frame. A block comes back only when its buffer is gone,
// that is once every receiver has let go of it; receivers may release on any thread,
// also after the pool's owner is gone. The writer hands these buffers to its caller,
// the reader to its client.
#ifndef QV_WMF_SAMPLE_BUFFER_POOL_H
#define QV_WMF_SAMPLE_BUFFER_POOL_H

#include <cstddef>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "large_block.h"
#include "sample_buffer.h"

namespace wmf {

// The blocks of buffers that are gone, shared by the pool and its buffers.
class SampleBlocks {
 public:
  explicit SampleBlocks(size_t spares) : spares_(spares) {}
  SampleBlocks(const SampleBlocks &) = delete;
  SampleBlocks &operator=(const SampleBlocks &) = delete;

  // The smallest kept block of `size` to twice `size` bytes, else a new one of `size`
  // bytes; null without memory.
  largeblock::LargeBlock Take(DWORD size, DWORD *capacity);
  // Keeps the block of a buffer that is gone, from any thread.
  void Give(largeblock::LargeBlock block, DWORD capacity);

 private:
  const size_t spares_;
  std::mutex lock_;
  std::vector<std::pair<largeblock::LargeBlock, DWORD>> spare_;
};

class SampleBufferPool {
 public:
  // Keeps at most `spares` blocks of buffers that are gone.
  explicit SampleBufferPool(size_t spares = 8) : blocks_(std::make_shared<SampleBlocks>(spares)) {}
  SampleBufferPool(const SampleBufferPool &) = delete;
  SampleBufferPool &operator=(const SampleBufferPool &) = delete;

  // A buffer of `size` bytes (its maximum length), length 0, with one reference for
  // the caller; null when the memory cannot be had.
  SampleBuffer *Take(DWORD size);

 private:
  std::shared_ptr<SampleBlocks> blocks_;
};

}  // namespace wmf

#endif
