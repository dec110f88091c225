// Fixture files for the reader's tests.
#include "fixtures.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "asf_objects.h"
#include "asf_patch.h"
#include "files.h"

namespace wmf_fixtures {

using testsupport::FileExists;
using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

namespace {

// Raised when the pattern changes, so that stale files of an older one are not used.
constexpr const char *kVersion = "v1";

bool CopyPrefix(const std::string &from, const std::string &to, double share) {
  std::vector<uint8_t> bytes = ReadFileBytes(from);
  if (bytes.empty()) return false;
  bytes.resize(static_cast<size_t>(bytes.size() * share));
  return WriteFileBytes(to, bytes);
}

bool CopyCorrupted(const std::string &from, const std::string &to) {
  std::vector<uint8_t> bytes = ReadFileBytes(from);
  if (bytes.size() < 8192) return false;
  // Leave the header whole so that the file opens; damage the packets after it.
  uint32_t seed = 12345;
  for (size_t at = 6000; at < bytes.size(); at += 97 + seed % 400) {
    seed = seed * 1103515245u + 12345u;
    for (int k = 0; k < 8 && at + k < bytes.size(); ++k) bytes[at + k] = static_cast<uint8_t>(seed >> (8 + k));
  }
  return WriteFileBytes(to, bytes);
}

std::string Quote(const std::string &path) { return "'" + path + "'"; }

// Makes `target` through a private temporary name, renamed into place when done.
bool Build(Fixture fixture, const std::string &target) {
  const std::string folder = FixtureFolder();
  const std::string temp = target + ".part" + std::to_string(getpid()) + ".wmv";
  const std::string raw = folder + "/pattern-" + std::to_string(getpid()) + ".bgr";
  const std::string tone = " -f lavfi -i sine=frequency=440:sample_rate=44100";
  const std::string lowTone = " -f lavfi -i sine=frequency=660:sample_rate=22050";
  auto video = [&](int frames, int fps) {
    return WritePatternFile(raw, 320, 240, frames)
               ? " -f rawvideo -pix_fmt bgr24 -s 320x240 -r " + std::to_string(fps) + " -i " + Quote(raw)
               : std::string();
  };
  bool ok = false;
  switch (fixture) {
    case Fixture::Wmv1Video: {
      const std::string in = video(300, 30);
      ok = !in.empty() && RunFfmpeg(in + " -c:v wmv1 -q:v 2 -pix_fmt yuv420p " + Quote(temp));
      break;
    }
    case Fixture::HdVideo:  // a pattern file would take 6 MB a frame
      ok = RunFfmpeg(" -f lavfi -i testsrc2=size=1920x1080:rate=30 -t 4 -c:v wmv2 -g 30 -b:v 8M " + Quote(temp));
      break;
    case Fixture::Wmv2WithAudio: {
      const std::string in = video(300, 30);
      ok = !in.empty() && RunFfmpeg(in + tone + " -t 10 -map 0:v -map 1:a -c:v wmv2 -q:v 2 -pix_fmt yuv420p"
                                             " -c:a wmav2 -ac 2 -b:a 128k " + Quote(temp));
      break;
    }
    case Fixture::AudioOnly:
      ok = RunFfmpeg(tone + " -t 3 -c:a wmav2 -ac 2 -b:a 128k " + Quote(temp));
      break;
    case Fixture::TwoAudio: {
      const std::string in = video(60, 30);
      ok = !in.empty() && RunFfmpeg(in + tone + lowTone + " -t 2 -map 0:v -map 1:a -map 2:a -c:v wmv2 -q:v 2"
                                             " -pix_fmt yuv420p -c:a wmav2 -ac:a:0 2 -ac:a:1 1 -b:a 64k " +
                                    Quote(temp));
      break;
    }
    case Fixture::Video25: {
      const std::string in = video(50, 25);
      ok = !in.empty() && RunFfmpeg(in + " -c:v wmv2 -q:v 2 -pix_fmt yuv420p " + Quote(temp));
      break;
    }
    case Fixture::TwoVideo: {
      // The second stream's key frames fall at other times than the first's.
      const std::string small = folder + "/pattern-small-" + std::to_string(getpid()) + ".bgr";
      const std::string in = video(60, 30);
      ok = !in.empty() && WritePatternFile(small, 256, 192, 60) &&
           RunFfmpeg(in + " -f rawvideo -pix_fmt bgr24 -s 256x192 -r 30 -i " + Quote(small) +
                     " -map 0:v -map 1:v -c:v wmv2 -q:v 2 -pix_fmt yuv420p -g:v:0 12 -g:v:1 18 " + Quote(temp));
      std::remove(small.c_str());
      break;
    }
    case Fixture::Truncated: {
      const std::string whole = FixturePath(Fixture::Wmv2WithAudio);
      ok = !whole.empty() && CopyPrefix(whole, temp, 0.4);
      break;
    }
    case Fixture::LongHeader:
    case Fixture::ShortHeader:
    case Fixture::Broadcast: {
      const std::string whole = FixturePath(Fixture::Wmv2WithAudio);
      const uint64_t seconds = fixture == Fixture::LongHeader ? 12 : 8;
      if (whole.empty()) break;
      ok = fixture == Fixture::Broadcast ? testsupport::CopyAsAsfBroadcast(whole, temp)
                                         : testsupport::CopyWithAsfDuration(whole, temp, seconds * 10000000);
      break;
    }
    case Fixture::Corrupted: {
      const std::string whole = FixturePath(Fixture::Wmv2WithAudio);
      ok = !whole.empty() && CopyCorrupted(whole, temp);
      break;
    }
    case Fixture::MultiBitrate: {
      const std::string in = video(60, 30);
      const std::string made = temp + ".plain.wmv";
      ok = !in.empty() && RunFfmpeg(" -t 0.1" + in + in + " -map 0:v -map 1:v -c:v wmv2 -pix_fmt yuv420p"
                                    " -b:v:0 100k -q:v:1 2 " + Quote(made)) &&
           asf_objects::CopyWithObjects(made, temp, {},
                                        {asf_objects::BitRates({{1, 100000}, {2, 2000000}}),
                                         asf_objects::Exclusion({1, 2})});
      std::remove(made.c_str());
      break;
    }
    case Fixture::Protected:
    case Fixture::CoverArt: {
      const bool cover = fixture == Fixture::CoverArt;
      const std::string plain = FixturePath(cover ? Fixture::AudioOnly : Fixture::Wmv2WithAudio);
      std::vector<uint8_t> bmp = {'B', 'M'};
      const std::vector<uint8_t> dib = testsupport::NumberedDib(64, 64, 7);
      for (uint32_t word : {static_cast<uint32_t>(14 + dib.size()), 0u, 54u})
        for (int i = 0; i < 4; ++i) bmp.push_back(static_cast<uint8_t>(word >> (8 * i)));
      bmp.insert(bmp.end(), dib.begin(), dib.end());
      ok = !plain.empty() && asf_objects::CopyWithObjects(plain, temp,
                                                          {cover ? asf_objects::CoverPicture(bmp)
                                                                 : asf_objects::ContentEncryption()},
                                                          {});
      break;
    }
    case Fixture::ZeroLength:
      ok = static_cast<bool>(std::ofstream(temp, std::ios::binary));
      break;
    case Fixture::NotAsf: {
      const std::string in = video(30, 30);
      ok = !in.empty() && RunFfmpeg(in + " -c:v mjpeg -f avi " + Quote(temp));
      break;
    }
  }
  std::remove(raw.c_str());
  if (ok) ok = std::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) std::remove(temp.c_str());
  return ok;
}

const char *FileName(Fixture fixture) {
  switch (fixture) {
    case Fixture::Wmv1Video: return "wmv1-video.wmv";
    case Fixture::HdVideo: return "hd-video.wmv";
    case Fixture::Wmv2WithAudio: return "wmv2-audio.wmv";
    case Fixture::AudioOnly: return "audio-only.wmv";
    case Fixture::TwoAudio: return "two-audio.wmv";
    case Fixture::Video25: return "video-25fps.wmv";
    case Fixture::TwoVideo: return "two-video.wmv";
    case Fixture::Truncated: return "truncated.wmv";
    case Fixture::LongHeader: return "long-header.wmv";
    case Fixture::ShortHeader: return "short-header.wmv";
    case Fixture::Broadcast: return "broadcast.wmv";
    case Fixture::Corrupted: return "corrupted.wmv";
    case Fixture::ZeroLength: return "zero-length.wmv";
    case Fixture::NotAsf: return "not-asf.wmv";
    case Fixture::MultiBitrate: return "multi-bitrate.wmv";
    case Fixture::Protected: return "protected.wmv";
    case Fixture::CoverArt: return "cover-art.wma";
  }
  return "unknown.wmv";
}

}  // namespace

std::string FixtureFolder() {
  const char *chosen = std::getenv("QV_FIXTURE_DIR");
  std::string folder = chosen && *chosen ? chosen
                                         : "/tmp/qv-wmf-fixtures-" + std::string(kVersion) + "-" +
                                               std::to_string(getuid());
  mkdir(folder.c_str(), 0700);
  return folder;
}

std::string FixturePath(Fixture fixture) {
  const std::string path = FixtureFolder() + "/" + FileName(fixture);
  if (FileExists(path) || Build(fixture, path)) return path;
  return "";
}

bool RunFfmpeg(const std::string &arguments) {
  const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y" + arguments + " </dev/null";
  return std::system(command.c_str()) == 0;
}

}  // namespace wmf_fixtures
