#include "pak_match_finder.h"
#include "pak_format.h"

#include <cstring>

namespace {

// Extends a common prefix of two keys from `len` to at most kPakMaxMatch bytes,
// eight bytes at a time (the keys are padded, so whole words can be read).
inline uint32_t CommonPrefix(const uint8_t *a, const uint8_t *b, uint32_t len) {
  while (len < kPakMaxMatch) {
    uint64_t x, y;
    memcpy(&x, a + len, 8);
    memcpy(&y, b + len, 8);
    uint64_t diff = x ^ y;
    if (diff) {
      len += (uint32_t)__builtin_ctzll(diff) / 8;  // little-endian: the first differing byte
      break;
    }
    len += 8;
  }
  return len < kPakMaxMatch ? len : kPakMaxMatch;
}

// Enough slots for every position a search can still reach.
constexpr size_t kSlots = 8192;
constexpr size_t kSlotMask = kSlots - 1;
static_assert(kSlots > kPakMaxDistance + kPakMinDistance, "tree slots must cover the window");
}  // namespace

PakMatchFinder::PakMatchFinder(const uint8_t *data, size_t size)
    : data_(size + kPadding, 0), size_(size), head_(kHeads, -1), smaller_(kSlots, -1), greater_(kSlots, -1) {
  if (size) memcpy(data_.data(), data, size);
}

// Makes `position` the root of its prefix's tree, splitting the old tree into the
// nodes before and after it. Nodes no later search can reach are dropped; a node
// whose whole key equals the new one is replaced by it, being further away.
void PakMatchFinder::Insert(size_t position) {
  const int32_t pos = (int32_t)position;
  const int32_t oldest_needed = pos + (int32_t)kPakMinDistance - (int32_t)kPakMaxDistance;
  const uint8_t *key = &data_[position];
  uint32_t key_index = Key(position);
  int32_t node = head_[key_index];
  head_[key_index] = pos;
  int32_t *smaller_slot = &smaller_[position & kSlotMask];
  int32_t *greater_slot = &greater_[position & kSlotMask];
  uint32_t smaller_len = 0, greater_len = 0;
  for (;;) {
    if (node < 0 || node < oldest_needed) {
      *smaller_slot = *greater_slot = -1;
      return;
    }
    const uint8_t *other = &data_[(size_t)node];
    uint32_t len = smaller_len < greater_len ? smaller_len : greater_len;
    len = CommonPrefix(other, key, len);
    size_t slot = (size_t)node & kSlotMask;
    if (len == kPakMaxMatch) {
      *smaller_slot = smaller_[slot];
      *greater_slot = greater_[slot];
      return;
    }
    if (other[len] < key[len]) {
      *smaller_slot = node;
      smaller_slot = &greater_[slot];
      node = *smaller_slot;
      smaller_len = len;
    } else {
      *greater_slot = node;
      greater_slot = &smaller_[slot];
      node = *greater_slot;
      greater_len = len;
    }
  }
}

PakMatchFinder::Match PakMatchFinder::Find(size_t position) {
  // The trees hold exactly the positions at least kPakMinDistance back.
  while (inserted_ + kPakMinDistance <= position) Insert(inserted_++);

  Match best{0, 0};
  if (position >= size_) return best;
  // Inside a long repeat: when the previous position matched the longest length,
  // this one does too at the same distance if one more byte agrees, and nothing
  // can be longer.
  if (previous_.length == kPakMaxMatch && previous_position_ + 1 == position &&
      data_[position + kPakMaxMatch - 1] == data_[position + kPakMaxMatch - 1 - previous_.distance]) {
    previous_position_ = position;
    return previous_;
  }
  const int32_t pos = (int32_t)position;
  const int32_t oldest = pos - (int32_t)kPakMaxDistance;
  const uint8_t *key = &data_[position];
  int32_t node = head_[Key(position)];
  uint32_t smaller_len = 0, greater_len = 0;
  while (node >= 0 && node >= oldest) {
    const uint8_t *other = &data_[(size_t)node];
    uint32_t len = smaller_len < greater_len ? smaller_len : greater_len;
    len = CommonPrefix(other, key, len);
    if (len > best.length) best = {len, (uint32_t)(pos - node)};
    if (len == kPakMaxMatch) break;
    size_t slot = (size_t)node & kSlotMask;
    if (other[len] < key[len]) {
      smaller_len = len;
      node = greater_[slot];
    } else {
      greater_len = len;
      node = smaller_[slot];
    }
  }
  if (best.length < kPakMinMatch) best = {0, 0};
  previous_ = best;
  previous_position_ = position;
  return best;
}
