// Block decoding. A group is a flag byte (most significant bit first) and up to eight
// items: a 0 bit is a literal byte, a 1 bit a little-endian word W giving a match of
// (W >> 12) + 3 bytes at distance (W & 0xFFF) + 3.
#include "pak_decoder.h"

#include <string.h>

namespace {

// The fast path needs room for a group's largest input and output, plus slack: it
// copies literals eight at a time and matches in whole 8- or 16-byte pieces, and
// the bytes written past an item are rewritten by the items after it.
enum {
  kGroupInputMax = 1 + 8 * 2,
  kGroupOutputMax = 8 * kPakMaxMatch,
  kFastInputMargin = kGroupInputMax + 8,
  kFastOutputMargin = kGroupOutputMax + 24,
};

// Copies a match oldest byte first, so that a match overlapping its own output
// repeats its pattern. Writes up to 24 bytes, whatever its length.
inline void CopyMatchFast(uint8_t *dst, uint32_t distance) {
  const uint8_t *src = dst - distance;
  if (distance >= 16) {
    memcpy(dst, src, 16);  // a second piece starting at 16 reads what the first wrote
    memcpy(dst + 16, src + 16, 2);
  } else if (distance >= 8) {
    memcpy(dst, src, 8);
    memcpy(dst + 8, src + 8, 8);
    memcpy(dst + 16, src + 16, 8);
  } else {
    for (uint32_t i = 0; i < kPakMaxMatch; i++) dst[i] = src[i];
  }
}

inline void CopyMatchExact(uint8_t *dst, uint32_t distance, uint32_t length) {
  const uint8_t *src = dst - distance;
  for (uint32_t i = 0; i < length; i++) dst[i] = src[i];
}

}  // namespace

bool PakDecodeBlock(const uint8_t *content, uint32_t size, uint8_t *out, uint32_t history, uint32_t want) {
  const uint8_t *in = content;
  const uint8_t *const in_end = content + size;
  uint32_t produced = 0;

  // Groups far from both ends need no per-item bound checks, except the distance.
  // A run of literals is copied in one piece: the flag bits before the next match
  // are counted at once.
  while (produced + kFastOutputMargin <= want && in_end - in >= kFastInputMargin) {
    uint32_t flags = (uint32_t)*in++ << 24;
    int left = 8;
    for (;;) {
      uint32_t literals = (uint32_t)__builtin_clz(flags | 1u << (31 - left));
      memcpy(out + produced, in, 8);
      produced += literals;
      in += literals;
      left -= (int)literals;
      if (left == 0) break;
      uint32_t word = in[0] | (uint32_t)in[1] << 8;
      in += 2;
      flags <<= literals + 1;
      left--;
      uint32_t distance = (word & 0xFFF) + kPakMinDistance;
      if (distance > history + produced) return false;
      CopyMatchFast(out + produced, distance);
      produced += (word >> 12) + kPakMinMatch;
      if (left == 0) break;
    }
    if (produced == want) return true;
  }

  // Near an end: every item is checked against the content, the block and the entry.
  while (produced < want) {
    if (in == in_end) return false;
    uint32_t flags = *in++;
    for (int item = 0; item < 8 && produced < want; item++, flags <<= 1) {
      if (!(flags & 0x80)) {
        if (in == in_end) return false;
        out[produced++] = *in++;
        continue;
      }
      if (in_end - in < 2) return false;
      uint32_t word = in[0] | (uint32_t)in[1] << 8;
      in += 2;
      uint32_t length = (word >> 12) + kPakMinMatch;
      uint32_t distance = (word & 0xFFF) + kPakMinDistance;
      if (distance > history + produced || length > want - produced) return false;
      CopyMatchExact(out + produced, distance, length);
      produced += length;
    }
  }
  return true;
}

void PakEntryDecoderStart(PakEntryDecoder &decoder, uint8_t *window, uint32_t unpacked, bool compressed) {
  decoder.window = window;
  decoder.unpacked = unpacked;
  decoder.total = 0;
  decoder.compressed = compressed;
}

bool PakEntryDecoderDone(const PakEntryDecoder &decoder) { return decoder.total >= decoder.unpacked; }

int32_t PakEntryDecodeBlock(PakEntryDecoder &decoder, const uint8_t *content, uint32_t size) {
  uint32_t remaining = decoder.unpacked - decoder.total;
  uint32_t want = remaining < (uint32_t)kPakBlockSize ? remaining : (uint32_t)kPakBlockSize;
  if (want == 0) return -1;
  uint8_t *block = decoder.window + kPakHistorySize;

  // Blocks before this one always filled the block area, which holds more than the
  // history, so after the first block the whole history is the entry's own output.
  if (decoder.total > 0) memmove(decoder.window, decoder.window + kPakBlockSize, kPakHistorySize);
  uint32_t history = decoder.total > 0 ? (uint32_t)kPakHistorySize : 0u;

  if (decoder.compressed) {
    if (size > kPakInputSize || !PakDecodeBlock(content, size, block, history, want)) return -1;
  } else {
    // A stored block is copied verbatim and must not run past the entry's size.
    if (size == 0 || size > want) return -1;
    memcpy(block, content, size);
    want = size;
  }
  decoder.total += want;
  return (int32_t)want;
}
