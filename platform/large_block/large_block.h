// Memory for pictures and samples of pictures. The first touch of each page of fresh
// memory stops the program, and on a virtual machine for a long while (tens of
// microseconds for 4 KB): a 1080p picture in 4 KB pages costs over a thousand such
// stops, in huge pages three or four. So large blocks are mapped on a huge page
// boundary, whole huge pages long, with the advice to back them with huge pages;
// smaller ones come from the heap, where they share pages with others.
#ifndef QV_LARGE_BLOCK_H
#define QV_LARGE_BLOCK_H

#include <cstddef>
#include <cstdint>

namespace largeblock {

class LargeBlock {
 public:
  static constexpr size_t kHugePage = 2u << 20;
  // From this size on a block gets huge pages of its own.
  static constexpr size_t kLeastMapped = kHugePage / 4;

  // At least `bytes` bytes (at least one), 16-byte aligned; empty when the memory
  // cannot be had.
  static LargeBlock Allocate(size_t bytes);

  LargeBlock() = default;
  ~LargeBlock() { Free(); }
  LargeBlock(LargeBlock &&other) noexcept { *this = static_cast<LargeBlock &&>(other); }
  LargeBlock &operator=(LargeBlock &&other) noexcept;
  LargeBlock(const LargeBlock &) = delete;
  LargeBlock &operator=(const LargeBlock &) = delete;

  uint8_t *get() const { return data_; }
  explicit operator bool() const { return data_ != nullptr; }
  // What may be used: `bytes` and more, up to the end of the last huge page.
  size_t size() const { return size_; }
  // Whether it reads as zeros without being cleared: fresh huge pages do.
  bool Zeroed() const { return mapped_; }

 private:
  void Free();
  uint8_t *data_ = nullptr;
  size_t size_ = 0;
  bool mapped_ = false;
};

}  // namespace largeblock

#endif
