// Block decoding. A group is a flag byte (most significant bit first) and up to eight
// items: a 0 bit is a literal byte, a 1 bit a little-endian word W giving a match of
// (W >> 12) + 3 bytes at distance (W & 0xFFF) + 3.
#include "pak_decoder.h"

#include <string.h>

namespace {

// Longest a group can be in input (flag byte and eight matches) and in output.
enum { kGroupInputMax = 1 + 8 * 2, kGroupOutputMax = 8 * kPakMaxMatch };

inline void CopyMatch(uint8_t *dst, uint32_t distance, uint32_t length) {
  const uint8_t *src = dst - distance;
  if (distance >= length) {
    memcpy(dst, src, length);
  } else {
    // The match repeats its own output: byte by byte, oldest first.
    for (uint32_t i = 0; i < length; i++) dst[i] = src[i];
  }
}

}  // namespace

bool PakDecodeBlock(const uint8_t *content, uint32_t size, uint8_t *out, uint32_t history, uint32_t want) {
  const uint8_t *in = content;
  const uint8_t *const in_end = content + size;
  uint32_t produced = 0;

  // Groups far from both ends need no per-item bound checks, except the distance.
  while (produced + kGroupOutputMax <= want && in_end - in >= kGroupInputMax) {
    uint32_t flags = *in++;
    for (int item = 0; item < 8; item++, flags <<= 1) {
      if (!(flags & 0x80)) {
        out[produced++] = *in++;
        continue;
      }
      uint32_t word = in[0] | (uint32_t)in[1] << 8;
      in += 2;
      uint32_t length = (word >> 12) + kPakMinMatch;
      uint32_t distance = (word & 0xFFF) + kPakMinDistance;
      if (distance > history + produced) return false;
      uint8_t *dst = out + produced;
      if (distance >= kPakMaxMatch) {
        memcpy(dst, dst - distance, kPakMaxMatch);  // the bytes after `length` are rewritten later
      } else {
        CopyMatch(dst, distance, length);
      }
      produced += length;
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
      CopyMatch(out + produced, distance, length);
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
