// Fixture files for the reader's tests.
#include "fixtures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace wmf_fixtures {

namespace {

constexpr int kBits = 16;  // frame number blocks in the top band

// Raised when the pattern changes, so that stale files of an older one are not used.
constexpr const char *kVersion = "v1";

bool Exists(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

int Triangle(int v) {
  v &= 511;
  return v < 256 ? v : 511 - v;
}

bool CopyPrefix(const std::string &from, const std::string &to, double share) {
  std::ifstream in(from, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.empty()) return false;
  std::ofstream out(to, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size() * share));
  return static_cast<bool>(out);
}

bool CopyCorrupted(const std::string &from, const std::string &to) {
  std::ifstream in(from, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < 8192) return false;
  // Leave the header whole so that the file opens; damage the packets after it.
  uint32_t seed = 12345;
  for (size_t at = 6000; at < bytes.size(); at += 97 + seed % 400) {
    seed = seed * 1103515245u + 12345u;
    for (int k = 0; k < 8 && at + k < bytes.size(); ++k) bytes[at + k] = static_cast<char>(seed >> (8 + k));
  }
  std::ofstream out(to, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// A copy whose ASF File Properties object says the file lasts `seconds` (less its
// preroll), or is a broadcast when `seconds` is negative.
bool CopyWithHeaderLength(const std::string &from, const std::string &to, int seconds) {
  std::ifstream in(from, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  static const unsigned char kFileProperties[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                                    0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
  const auto found = std::search(bytes.begin(), bytes.end(), kFileProperties, kFileProperties + 16,
                                 [](char a, unsigned char b) { return static_cast<unsigned char>(a) == b; });
  if (found == bytes.end() || bytes.end() - found < 104) return false;
  char *object = &*found;
  auto le = [](const char *p, int n) {
    uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(p[i]);
    return v;
  };
  if (seconds < 0) {
    object[88] = static_cast<char>(object[88] | 1);  // broadcast
  } else {
    uint64_t play = le(object + 80, 8) * 10000 + static_cast<uint64_t>(seconds) * 10000000;  // preroll in ms
    for (int i = 0; i < 8; ++i, play >>= 8) object[64 + i] = static_cast<char>(play & 0xFF);
  }
  std::ofstream out(to, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
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
      const int seconds = fixture == Fixture::LongHeader ? 12 : fixture == Fixture::ShortHeader ? 8 : -1;
      ok = !whole.empty() && CopyWithHeaderLength(whole, temp, seconds);
      break;
    }
    case Fixture::Corrupted: {
      const std::string whole = FixturePath(Fixture::Wmv2WithAudio);
      ok = !whole.empty() && CopyCorrupted(whole, temp);
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
  if (Exists(path) || Build(fixture, path)) return path;
  return "";
}

bool RunFfmpeg(const std::string &arguments) {
  const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y" + arguments + " </dev/null";
  return std::system(command.c_str()) == 0;
}

std::vector<uint8_t> PatternFrame(int n, int width, int height) {
  std::vector<uint8_t> rows(static_cast<size_t>(width) * height * 3);
  const int block = width / kBits;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t *p = &rows[(static_cast<size_t>(y) * width + x) * 3];
      if (y < block && x < block * kBits) {
        const bool one = (n >> (kBits - 1 - x / block)) & 1;
        p[0] = p[1] = p[2] = one ? 235 : 16;
        continue;
      }
      p[0] = static_cast<uint8_t>(Triangle(x + 3 * n));
      p[1] = static_cast<uint8_t>(Triangle(y + 2 * n));
      p[2] = static_cast<uint8_t>(Triangle(x + y + 5 * n) / 2 + 64);
    }
  }
  return rows;
}

bool WritePatternFile(const std::string &path, int width, int height, int frames) {
  std::ofstream out(path, std::ios::binary);
  for (int n = 0; n < frames && out; ++n) {
    const std::vector<uint8_t> frame = PatternFrame(n, width, height);
    out.write(reinterpret_cast<const char *>(frame.data()), static_cast<std::streamsize>(frame.size()));
  }
  return static_cast<bool>(out);
}

void PixelAt(const Picture &picture, int x, int y, uint8_t bgr[3]) {
  const uint8_t *row = picture.bits + static_cast<size_t>(picture.height - 1 - y) * picture.stride;
  switch (picture.bitCount) {
    case 32:
    case 24: {
      const uint8_t *p = row + x * (picture.bitCount / 8);
      bgr[0] = p[0], bgr[1] = p[1], bgr[2] = p[2];
      return;
    }
    case 16: {  // 0RRRRRGG GGGBBBBB, little-endian
      const unsigned v = row[x * 2] | (row[x * 2 + 1] << 8);
      bgr[0] = static_cast<uint8_t>((v & 31) * 255 / 31);
      bgr[1] = static_cast<uint8_t>(((v >> 5) & 31) * 255 / 31);
      bgr[2] = static_cast<uint8_t>(((v >> 10) & 31) * 255 / 31);
      return;
    }
    case 8: {
      const uint8_t *entry = picture.palette + row[x] * 4;
      bgr[0] = entry[0], bgr[1] = entry[1], bgr[2] = entry[2];
      return;
    }
  }
  bgr[0] = bgr[1] = bgr[2] = 0;
}

int ReadFrameNumber(const Picture &picture) {
  const int block = picture.width / kBits;
  int number = 0;
  for (int bit = 0; bit < kBits; ++bit) {
    // The block's middle, away from its edges where coding blurs.
    int sum = 0, count = 0;
    for (int y = block / 4; y < block * 3 / 4; ++y) {
      for (int x = bit * block + block / 4; x < bit * block + block * 3 / 4; ++x) {
        uint8_t bgr[3];
        PixelAt(picture, x, y, bgr);
        sum += bgr[0] + bgr[1] + bgr[2];
        count += 3;
      }
    }
    const int mean = sum / count;
    if (mean > 60 && mean < 190) return -1;  // neither black nor white
    number = number * 2 + (mean >= 190 ? 1 : 0);
  }
  return number;
}

double Psnr(const Picture &picture, const std::vector<uint8_t> &source) {
  double squares = 0;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      uint8_t bgr[3];
      PixelAt(picture, x, y, bgr);
      const uint8_t *s = &source[(static_cast<size_t>(y) * picture.width + x) * 3];
      for (int c = 0; c < 3; ++c) {
        const double d = static_cast<double>(bgr[c]) - s[c];
        squares += d * d;
      }
    }
  }
  const double mse = squares / (3.0 * picture.width * picture.height);
  return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace wmf_fixtures
