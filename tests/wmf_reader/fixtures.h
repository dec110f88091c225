// Media files for the reader's tests, made with Debian's ffmpeg CLI at test time.
//
// Video fixtures show a pattern whose top band spells the frame number in 16
// black-or-white blocks, over a smooth moving gradient: a decoded frame tells which
// frame it is (ReadFrameNumber), and PatternFrame gives the exact source picture to
// measure quality against.
#ifndef QV_TESTS_WMF_READER_FIXTURES_H
#define QV_TESTS_WMF_READER_FIXTURES_H

#include <cstdint>
#include <string>
#include <vector>

namespace wmf_fixtures {

enum class Fixture {
  Wmv1Video,     // wmv1 320x240, 30 fps, 300 frames (10 s), no audio, high quality
  Wmv2WithAudio, // wmv2 320x240, 30 fps, 10 s + wmav2 44.1 kHz stereo tone
  AudioOnly,     // wmav2 44.1 kHz stereo tone, 3 s
  TwoAudio,      // wmv2 320x240, 30 fps, 2 s + wmav2 44.1 kHz stereo + wmav2 22.05 kHz mono
  Video25,       // wmv2 320x240, 25 fps, 50 frames (2 s)
  TwoVideo,      // two wmv2 streams of the pattern, 30 fps, 60 frames (2 s): 320x240 with a
                 // key frame every 12 frames, then 256x192 with one every 18
  Truncated,     // Wmv2WithAudio cut off after 40 % of its bytes
  LongHeader,    // Wmv2WithAudio whose header says it lasts 12 s
  ShortHeader,   // Wmv2WithAudio whose header says it lasts 8 s
  Broadcast,     // Wmv2WithAudio whose header is flagged broadcast (no valid length)
  Corrupted,     // Wmv2WithAudio with bytes overwritten all through its data
  ZeroLength,    // an empty .wmv
  NotAsf,        // an AVI file named .wmv
};

// The folder the fixtures are made in: $QV_FIXTURE_DIR, else a folder under /tmp
// shared by the test programs of this user. Made when missing.
std::string FixtureFolder();

// The path of the fixture, made first when missing (safe when several test programs
// make it at once); "" when ffmpeg failed.
std::string FixturePath(Fixture fixture);

// Runs ffmpeg quietly with these arguments; true when it succeeded.
bool RunFfmpeg(const std::string &arguments);

// Writes the pattern's raw BGR24 frames (top-down rows) of `frames` frames to a file:
// the source ffmpeg encodes from.
bool WritePatternFile(const std::string &path, int width, int height, int frames);

// Frame `n` of the pattern as top-down BGR24 rows without padding.
std::vector<uint8_t> PatternFrame(int n, int width, int height);

// A decoded picture as the reader hands it out: bottom-up rows of `stride` bytes.
struct Picture {
  const uint8_t *bits;
  int width;
  int height;
  int stride;
  int bitCount;                  // 24, 32, 16 (RGB555) or 8 (palettised)
  const uint8_t *palette = nullptr;  // 8 bits: 256 entries of blue, green, red, unused
};

// Colour of pixel (x, y), y counted from the top, as blue, green, red.
void PixelAt(const Picture &picture, int x, int y, uint8_t bgr[3]);

// The frame number the pattern's top band spells, or -1 when it is unreadable.
int ReadFrameNumber(const Picture &picture);

// PSNR in dB of the picture against top-down BGR24 rows of the same size.
double Psnr(const Picture &picture, const std::vector<uint8_t> &source);

}  // namespace wmf_fixtures

#endif
