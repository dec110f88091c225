/* Decoding an entry's blocks in memory. Whatever the data holds, the decoder reads
 * only inside the given block content and writes only inside its window buffer; data
 * the format forbids makes it report failure. */
#ifndef QV_LAUNCHER_PAK_DECODER_H
#define QV_LAUNCHER_PAK_DECODER_H

#include "pak_format.h"

#include <stdint.h>

/* Decodes one compressed block of `size` content bytes into `out`, which has
 * `history` bytes of the entry's earlier output before it. Succeeds when exactly
 * `want` bytes (at most one block) come out of the content; bytes left over after
 * the last item are ignored. */
bool PakDecodeBlock(const uint8_t *content, uint32_t size, uint8_t *out, uint32_t history, uint32_t want);

/* One entry's decoding: the window holds the recent history followed by the block
 * area, into which each block decodes. */
struct PakEntryDecoder {
  uint8_t *window;      /* kPakWindowSize bytes, owned by the caller */
  uint32_t unpacked;    /* the entry's UnpackedSize */
  uint32_t total;       /* output so far */
  bool compressed;
};

void PakEntryDecoderStart(PakEntryDecoder &decoder, uint8_t *window, uint32_t unpacked, bool compressed);
bool PakEntryDecoderDone(const PakEntryDecoder &decoder);
/* Decodes the next block; returns the output byte count, which stands at
 * PakEntryBlockOutput(), or -1 for data the format forbids. */
int32_t PakEntryDecodeBlock(PakEntryDecoder &decoder, const uint8_t *content, uint32_t size);
inline const uint8_t *PakEntryBlockOutput(const PakEntryDecoder &decoder) {
  return decoder.window + kPakHistorySize;
}

#endif
