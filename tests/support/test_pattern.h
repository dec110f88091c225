// The test patterns. Pictures: a top band that spells the frame number in 16
// black-or-white blocks, over a smooth moving gradient; a decoded frame tells which
// frame it is (ReadFrameNumber), and PatternFrame gives the exact source picture to
// measure quality against. Sound: a stereo tone whose pitch rises, so that no shift
// of it matches it but the true one.
#ifndef QV_TESTS_SUPPORT_TEST_PATTERN_H
#define QV_TESTS_SUPPORT_TEST_PATTERN_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// Frame `n` of the pattern as top-down BGR24 rows without padding.
std::vector<uint8_t> PatternFrame(int n, int width, int height);

// The same frame as the pixel rows of a 24-bit DIB: bottom-up, each padded to a
// multiple of 4 bytes.
std::vector<uint8_t> PatternDibRows(int n, int width, int height);

// The same frame as a 24-bit packed DIB: a 40-byte header, then those rows.
std::vector<uint8_t> PatternDib(int n, int width, int height);

// A 24-bit packed DIB whose pixel bytes (padding included) count up from `seed`.
std::vector<uint8_t> NumberedDib(int width, int height, uint8_t seed);

// Writes `frames` frames of the pattern as raw BGR24 (top-down rows) to a file: the
// source ffmpeg encodes from.
bool WritePatternFile(const std::string &path, int width, int height, int frames);

// Sample `index` of the tone's channel 0 (from 440 Hz) or 1 (from 660 Hz), 16 bits.
int16_t ToneSample(long long index, int channel, uint32_t rate);
// Interleaved 16-bit stereo samples of the tone from sample `first` on.
std::vector<uint8_t> ToneChunk(long long first, int samples, uint32_t rate);

// A decoded picture as a media runtime hands it out: bottom-up rows of `stride` bytes.
struct Picture {
  const uint8_t *bits;
  int width;
  int height;
  int stride;
  int bitCount;                      // 24, 32, 16 (RGB555) or 8 (palettised)
  const uint8_t *palette = nullptr;  // 8 bits: 256 entries of blue, green, red, unused
};

// Colour of pixel (x, y), y counted from the top, as blue, green, red.
void PixelAt(const Picture &picture, int x, int y, uint8_t bgr[3]);

// The frame number the pattern's top band spells, or -1 when it is unreadable.
int ReadFrameNumber(const Picture &picture);

// PSNR in dB of `size` bytes (8-bit samples) against as many others; 99 when they
// are the same.
double Psnr(const uint8_t *a, const uint8_t *b, size_t size);
// PSNR in dB of the picture against top-down BGR24 rows of the same size.
double Psnr(const Picture &picture, const std::vector<uint8_t> &source);

}  // namespace testsupport

#endif
