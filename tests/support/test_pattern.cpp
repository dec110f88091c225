#include "test_pattern.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

#include "win32.h"

namespace testsupport {
namespace {

constexpr int kBits = 16;  // frame number blocks in the top band

int Triangle(int v) {
  v &= 511;
  return v < 256 ? v : 511 - v;
}

}  // namespace

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

std::vector<uint8_t> PatternDibRows(int n, int width, int height) {
  const std::vector<uint8_t> topDown = PatternFrame(n, width, height);
  const size_t row = static_cast<size_t>(width) * 3, stride = (row + 3) & ~size_t(3);
  std::vector<uint8_t> rows(stride * height, 0);
  for (int y = 0; y < height; ++y)
    std::memcpy(&rows[(height - 1 - y) * stride], &topDown[y * row], row);
  return rows;
}

std::vector<uint8_t> PatternDib(int n, int width, int height) {
  std::vector<uint8_t> dib = NumberedDib(width, height, 0), rows = PatternDibRows(n, width, height);
  std::copy(rows.begin(), rows.end(), dib.begin() + sizeof(BITMAPINFOHEADER));
  return dib;
}

std::vector<uint8_t> NumberedDib(int width, int height, uint8_t seed) {
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t(3);
  std::vector<uint8_t> dib(sizeof(BITMAPINFOHEADER) + stride * static_cast<size_t>(height));
  const BITMAPINFOHEADER header = {40, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::memcpy(dib.data(), &header, sizeof header);
  for (size_t i = sizeof header; i < dib.size(); ++i) dib[i] = static_cast<uint8_t>(seed + i);
  return dib;
}

bool WritePatternFile(const std::string &path, int width, int height, int frames) {
  std::ofstream out(path, std::ios::binary);
  for (int n = 0; n < frames && out; ++n) {
    const std::vector<uint8_t> frame = PatternFrame(n, width, height);
    out.write(reinterpret_cast<const char *>(frame.data()), static_cast<std::streamsize>(frame.size()));
  }
  return static_cast<bool>(out);
}

int16_t ToneSample(long long index, int channel, uint32_t rate) {
  const double start = channel == 0 ? 440.0 : 660.0, rise = 30.0;  // Hz, Hz per second
  const double kPi = 3.14159265358979323846;
  const double t = static_cast<double>(index) / rate;
  return static_cast<int16_t>(8000.0 * std::sin(2.0 * kPi * (start * t + rise * t * t / 2)));
}

std::vector<uint8_t> ToneChunk(long long first, int samples, uint32_t rate) {
  std::vector<uint8_t> chunk(static_cast<size_t>(samples) * 4);
  for (int i = 0; i < samples; ++i)
    for (int c = 0; c < 2; ++c) {
      const int16_t s = ToneSample(first + i, c, rate);
      std::memcpy(&chunk[(static_cast<size_t>(i) * 2 + c) * 2], &s, 2);
    }
  return chunk;
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

double Psnr(const uint8_t *a, const uint8_t *b, size_t size) {
  double squares = 0;
  for (size_t i = 0; i < size; ++i) {
    const double d = static_cast<double>(a[i]) - b[i];
    squares += d * d;
  }
  if (squares == 0) return 99.0;
  return 10.0 * std::log10(255.0 * 255.0 * static_cast<double>(size) / squares);
}

double Psnr(const Picture &picture, const std::vector<uint8_t> &source) {
  std::vector<uint8_t> rows;
  rows.reserve(source.size());
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      uint8_t bgr[3];
      PixelAt(picture, x, y, bgr);
      rows.insert(rows.end(), bgr, bgr + 3);
    }
  }
  return rows.size() == source.size() ? Psnr(rows.data(), source.data(), rows.size()) : 0;
}

}  // namespace testsupport
