// libFuzzer target over the bitmap packaging: any BITMAPINFOHEADER a media runtime
// could describe a decoded sample with, and pixel data of any length. Each frame that
// comes out must be the 24-bit packed DIB its header promises, with the same pixels
// the one-pixel-at-a-time rules give; nothing may be read past the sample or the
// colour table, and no block may be left behind.
//
// Input: 40 header bytes, one switch byte, the colour table's bytes (as many as the
// header says it brings), then the pixel data.
#include "bitmap.h"
#include "fuzz_check.h"
#include "bitmap_rules.h"
#include "pixel_reference.h"
#include "win32.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

enum : uint8_t {
  kIntoReuse = 0x01,   // also package the sample into a reused block
  kNoMemory = 0x02,    // the packaging's allocations fail
  kShortBlock = 0x04,  // that block is smaller than the frame
};

// Colour table entries a header brings after itself: biClrUsed, all the depth can
// index when it is 0. The runtime's output carries room for at most 256.
DWORD TableEntries(const BITMAPINFOHEADER &header) {
  if (header.biBitCount > 8) return 0;
  DWORD possible = DWORD(1) << header.biBitCount;
  if (header.biClrUsed == 0 || header.biClrUsed > possible) return possible;
  return header.biClrUsed;
}

struct Sample {
  BITMAPINFOHEADER header;
  std::vector<uint8_t> described;  // the header followed by exactly its colour table
  std::vector<uint8_t> pixels;     // exactly the sample's bytes
  DWORD entries;
};

// A frame that came out: a 24-bit packed DIB of the sample's width and row count,
// bottom-up, holding the pixels the rules give.
void CheckFrame(HGLOBAL frame, const Sample &sample) {
  LONG rows = sample.header.biHeight < 0 ? -sample.header.biHeight : sample.header.biHeight;
  LONGLONG image = CheckedImageSize(sample.header.biBitCount, sample.header.biWidth, rows, kLargestBitmapBlock);
  LONGLONG image24 = CheckedImageSize(24, sample.header.biWidth, rows, kLargestBitmapBlock);
  FUZZ_CHECK(image >= 0 && image <= LONGLONG(sample.pixels.size()) && image24 >= 0);
  FUZZ_CHECK(LONGLONG(GlobalSize(frame)) >= LONGLONG(sizeof(BITMAPINFOHEADER)) + image24);
  const BYTE *bytes = static_cast<const BYTE *>(GlobalLock(frame));
  FUZZ_CHECK(bytes != nullptr);
  BITMAPINFOHEADER header;
  memcpy(&header, bytes, sizeof header);
  FUZZ_CHECK(header.biSize == sizeof(BITMAPINFOHEADER) && header.biBitCount == 24);
  FUZZ_CHECK(header.biWidth == sample.header.biWidth && header.biHeight == rows);
  const BYTE *pixels = bytes + sizeof(BITMAPINFOHEADER);
  if (image24 == 0) {
    // No rows or no pixels in a row: nothing to compare.
  } else if (sample.header.biBitCount == 24) {
    // Rows pass through, turned bottom-up.
    size_t stride = size_t(image24 / rows);
    for (LONG y = 0; y < rows; ++y) {
      LONG from = sample.header.biHeight < 0 ? rows - 1 - y : y;
      FUZZ_CHECK(memcmp(pixels + size_t(y) * stride, sample.pixels.data() + size_t(from) * stride, stride) == 0);
    }
  } else {
    const RGBQUAD *table = reinterpret_cast<const RGBQUAD *>(sample.described.data() + sizeof(BITMAPINFOHEADER));
    std::vector<BYTE> expected =
        pixel_reference::ConvertPixelByPixel(sample.header, sample.pixels.data(), table, sample.entries);
    FUZZ_CHECK(LONGLONG(expected.size()) == image24 && memcmp(pixels, expected.data(), expected.size()) == 0);
  }
  GlobalUnlock(frame);
}

// The same sample packaged into a reused block `shortBy` bytes smaller than the 24-bit
// frame would be (0: exactly its size), as frames follow each other into one block.
void FuzzPackageIntoReuse(const Sample &sample, const BYTE *pixels, size_t shortBy, bool noMemory) {
  if (sample.header.biHeight == LONG(INT32_MIN)) return;
  const LONG rows = sample.header.biHeight < 0 ? -sample.header.biHeight : sample.header.biHeight;
  const LONGLONG image24 = CheckedImageSize(24, sample.header.biWidth, rows, 1 << 24);  // no larger blocks to fill
  if (image24 < 0) return;
  const size_t size = sizeof(BITMAPINFOHEADER) + size_t(image24);
  const size_t reuseBytes = size > shortBy ? size - shortBy : 1;
  HGLOBAL reuse = GlobalAlloc(GMEM_MOVEABLE, reuseBytes);
  if (!reuse) return;
  memset(GlobalLock(reuse), 0xA5, reuseBytes);
  GlobalUnlock(reuse);
  if (noMemory) Win32FailGlobalAllocAfter(0);
  HGLOBAL frame = PackageSampleInto(reuse, pixels, DWORD(sample.pixels.size()),
                                    reinterpret_cast<const BITMAPINFOHEADER *>(sample.described.data()));
  Win32FailGlobalAllocAfter(-1);
  // Only a 24-bit frame that fits goes into the reused block; anything else leaves it
  // as it was.
  FUZZ_CHECK(GlobalSize(reuse) == reuseBytes);
  if (frame) CheckFrame(frame, sample);
  if (frame == reuse) {
    FUZZ_CHECK(sample.header.biBitCount == 24 && reuseBytes >= size);
  } else {
    if (frame) {
      FUZZ_CHECK(!noMemory);
      GlobalFree(frame);
    }
    const BYTE *kept = static_cast<const BYTE *>(GlobalLock(reuse));
    for (size_t i = 0; i < reuseBytes; ++i) FUZZ_CHECK(kept[i] == 0xA5);
    GlobalUnlock(reuse);
  }
  GlobalFree(reuse);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < sizeof(BITMAPINFOHEADER) + 1) return 0;
  Sample sample;
  memcpy(&sample.header, data, sizeof(BITMAPINFOHEADER));
  uint8_t switches = data[sizeof(BITMAPINFOHEADER)];
  data += sizeof(BITMAPINFOHEADER) + 1;
  size -= sizeof(BITMAPINFOHEADER) + 1;

  // The colour table travels right after the header, exactly as long as it says.
  sample.entries = TableEntries(sample.header);
  size_t tableBytes = size_t(sample.entries) * sizeof(RGBQUAD);
  size_t taken = tableBytes < size ? tableBytes : size;
  sample.described.assign(sizeof(BITMAPINFOHEADER) + tableBytes, 0);
  memcpy(sample.described.data(), &sample.header, sizeof(BITMAPINFOHEADER));
  if (taken) memcpy(sample.described.data() + sizeof(BITMAPINFOHEADER), data, taken);
  sample.pixels.assign(data + taken, data + size);

  LONG blocksBefore = Win32GlobalBlockCount();
  bool noMemory = switches & kNoMemory;
  if (noMemory) Win32FailGlobalAllocAfter(0);
  // An empty sample is given as a null address, as a runtime may.
  const BYTE *pixels = sample.pixels.empty() ? nullptr : sample.pixels.data();
  HGLOBAL frame = PackageSampleInto(0, pixels, DWORD(sample.pixels.size()),
                                reinterpret_cast<const BITMAPINFOHEADER *>(sample.described.data()));
  Win32FailGlobalAllocAfter(-1);
  if (frame) {
    FUZZ_CHECK(!noMemory);
    CheckFrame(frame, sample);
    GlobalFree(frame);
  }
  if (switches & kIntoReuse)
    FuzzPackageIntoReuse(sample, pixels, (switches & kShortBlock) ? (switches >> 3) + 1 : 0, noMemory);
  FUZZ_CHECK(Win32GlobalBlockCount() == blocksBefore);
  return 0;
}
