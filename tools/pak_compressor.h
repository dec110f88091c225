// Encoding one entry's data into the archive's blocks.
#ifndef QV_TOOLS_PAK_COMPRESSOR_H
#define QV_TOOLS_PAK_COMPRESSOR_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

enum class PakParse {
  kOptimal,  // the smallest encoding the format allows
  kGreedy,   // the longest match at every step (for comparison)
};

// Told the number of input bytes each finished block took, for a progress display.
using PakProgress = std::function<void(size_t bytes)>;

// The entry's blocks (each a length word and its content), compressed. Every block
// but the last decodes to 16,384 bytes; matches never cross a block's end.
std::vector<uint8_t> PakCompressBlocks(const uint8_t *data, size_t size, PakParse parse,
                                       const PakProgress &progress = nullptr);

// The entry's blocks stored verbatim, 16,384 bytes each but the last.
std::vector<uint8_t> PakStoreBlocks(const uint8_t *data, size_t size);

struct PakEncodedEntry {
  bool compressed;
  std::vector<uint8_t> blocks;
};
// Compressed when that is smaller than storing, else stored.
PakEncodedEntry PakEncodeEntry(const uint8_t *data, size_t size, PakParse parse,
                               const PakProgress &progress = nullptr);

#endif
