// Longest-match search for the archive's compressor: a binary tree of the positions
// in the window, ordered by their next kPakMaxMatch bytes (zero-padded at the end of
// the data), one tree per hash of the first three bytes. The longest match of a position is the
// longest common prefix with its neighbours in that order, so the search finds it
// exactly, without the cut-offs a hash chain needs to stay fast.
#ifndef QV_TOOLS_PAK_MATCH_FINDER_H
#define QV_TOOLS_PAK_MATCH_FINDER_H

#include <cstddef>
#include <cstdint>
#include <vector>

class PakMatchFinder {
 public:
  explicit PakMatchFinder(const uint8_t *data, size_t size);

  struct Match {
    uint32_t length;    // 0 when no match of at least kPakMinMatch bytes exists
    uint32_t distance;
  };
  // The longest match at `position` with a distance the format can express
  // (kPakMinDistance to kPakMaxDistance), not capped by the end of the data. Call
  // for every position in increasing order, starting at 0.
  Match Find(size_t position);

 private:
  void Insert(size_t position);
  // Positions share a tree when their first three bytes hash alike; every match of
  // three or more bytes therefore lies in the searched tree.
  static constexpr size_t kHeads = 1 << 16;
  uint32_t Key(size_t position) const {
    uint32_t three = data_[position] | data_[position + 1] << 8 | data_[position + 2] << 16;
    return (three * 2654435761u) >> 16;
  }
  // Zero bytes after the input: keys of kPakMaxMatch bytes, read in 8-byte words.
  static constexpr size_t kPadding = 32;

  std::vector<uint8_t> data_;  // the input, then kPadding zero bytes
  size_t size_;
  size_t inserted_ = 0;        // positions below this are in the trees
  std::vector<int32_t> head_;  // newest position per hash, or -1
  std::vector<int32_t> smaller_, greater_;
  Match previous_{0, 0};        // the last result, at previous_position_
  size_t previous_position_ = 0;  // children, indexed by position & kSlotMask
};

#endif
