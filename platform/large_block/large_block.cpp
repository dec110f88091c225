// Large blocks of memory in huge pages, where the system gives them.
#include "large_block.h"

#include <sys/mman.h>

#include <cstdlib>

namespace largeblock {

namespace {

size_t RoundUp(size_t value, size_t to) { return (value + to - 1) / to * to; }

}  // namespace

LargeBlock LargeBlock::Allocate(size_t bytes) {
  LargeBlock block;
  if (bytes == 0) bytes = 1;
  if (bytes < kLeastMapped || bytes > SIZE_MAX - 2 * kHugePage) {
    void *memory = nullptr;
    if (posix_memalign(&memory, 16, bytes) != 0) return block;
    block.data_ = static_cast<uint8_t *>(memory);
    block.size_ = bytes;
    return block;
  }
  const size_t length = RoundUp(bytes, kHugePage);
  // A huge page longer than needed, to cut it to start on a huge page boundary.
  void *mapping = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping == MAP_FAILED) return block;
  uint8_t *const first = static_cast<uint8_t *>(mapping);
  uint8_t *const start = reinterpret_cast<uint8_t *>(RoundUp(reinterpret_cast<uintptr_t>(first), kHugePage));
  if (start > first) munmap(first, static_cast<size_t>(start - first));
  if (start + length < first + length + kHugePage)
    munmap(start + length, static_cast<size_t>(first + length + kHugePage - (start + length)));
  madvise(start, length, MADV_HUGEPAGE);  // only advice: 4 KB pages work as well
  block.data_ = start;
  block.size_ = length;
  block.mapped_ = true;
  return block;
}

LargeBlock &LargeBlock::operator=(LargeBlock &&other) noexcept {
  if (this != &other) {
    Free();
    data_ = other.data_;
    size_ = other.size_;
    mapped_ = other.mapped_;
    other.data_ = nullptr;
    other.size_ = 0;
    other.mapped_ = false;
  }
  return *this;
}

void LargeBlock::Free() {
  if (mapped_)
    munmap(data_, size_);
  else
    free(data_);
  data_ = nullptr;
  size_ = 0;
  mapped_ = false;
}

}  // namespace largeblock
