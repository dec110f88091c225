// Media files for the reader's tests, made with Debian's ffmpeg CLI at test time.
// Video fixtures show the frame-numbered test pattern (test_pattern.h).
#ifndef QV_TESTS_WMF_READER_FIXTURES_H
#define QV_TESTS_WMF_READER_FIXTURES_H

#include <cstdint>
#include <string>
#include <vector>

#include "test_pattern.h"

namespace wmf_fixtures {

enum class Fixture {
  Wmv1Video,     // wmv1 320x240, 30 fps, 300 frames (10 s), no audio, high quality
  HdVideo,       // wmv2 1920x1080 test source (no pattern), 30 fps, 120 frames (4 s), a key
                 // frame every 30, no audio
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
  MultiBitrate,  // one picture (the pattern, 320x240, 30 fps, 2 s) at two bit rates that exclude
                 // each other: stream 1 at 100 kbps holds the first 3 frames only, stream 2 at
                 // 2 Mbps all 60 (the Header Extension declares rates and exclusion)
  Protected,     // Wmv2WithAudio with a Content Encryption object
  CoverArt,      // AudioOnly with a 64x64 cover picture (WM/Picture)
};

// The folder the fixtures are made in: $QV_FIXTURE_DIR, else a folder under /tmp
// shared by the test programs of this user. Made when missing.
std::string FixtureFolder();

// The path of the fixture, made first when missing (safe when several test programs
// make it at once); "" when ffmpeg failed.
std::string FixturePath(Fixture fixture);

// Runs ffmpeg quietly with these arguments; true when it succeeded.
bool RunFfmpeg(const std::string &arguments);

using testsupport::PatternFrame;
using testsupport::Picture;
using testsupport::PixelAt;
using testsupport::Psnr;
using testsupport::ReadFrameNumber;
using testsupport::WritePatternFile;

}  // namespace wmf_fixtures

#endif
