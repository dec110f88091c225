// WAV reading, the test pattern, and the host's own check of what it will export.
#include "export_media.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

#include "dib/geometry.h"

namespace qvhost {

namespace {

DWORD Le32(const BYTE *p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<DWORD>(p[3]) << 24); }
WORD Le16(const BYTE *p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }

}  // namespace

bool ReadWavFile(const std::string &path, WavAudio *audio, std::string *error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot open " + path;
    return false;
  }
  std::vector<BYTE> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) || std::memcmp(file.data() + 8, "WAVE", 4)) {
    *error = path + " is not a RIFF WAVE file";
    return false;
  }
  bool haveFormat = false, haveData = false;
  size_t at = 12;
  while (at + 8 <= file.size()) {
    const BYTE *chunk = file.data() + at;
    size_t size = Le32(chunk + 4);
    size_t available = file.size() - at - 8;
    if (size > available) size = available;  // a truncated last chunk: take what is there
    if (!std::memcmp(chunk, "fmt ", 4) && size >= 16) {
      audio->formatTag = Le16(chunk + 8);
      audio->channels = Le16(chunk + 10);
      audio->samplesPerSecond = Le32(chunk + 12);
      audio->bytesPerSecond = Le32(chunk + 16);
      audio->blockAlign = Le16(chunk + 20);
      audio->bitsPerSample = Le16(chunk + 22);
      haveFormat = true;
    } else if (!std::memcmp(chunk, "data", 4)) {
      audio->data.assign(chunk + 8, chunk + 8 + size);
      haveData = true;
    }
    at += 8 + size + (size & 1);
  }
  if (!haveFormat || !haveData) {
    *error = path + (haveFormat ? " has no data chunk" : " has no fmt chunk");
    return false;
  }
  return true;
}

std::string AudioRefusal(const WavAudio &audio) {
  if (audio.formatTag != WAVE_FORMAT_PCM) return "the audio is not plain PCM (format tag " + std::to_string(audio.formatTag) + ")";
  if (audio.bitsPerSample != 8 && audio.bitsPerSample != 16)
    return "the audio has " + std::to_string(audio.bitsPerSample) + " bits per sample; the export takes 8 or 16";
  if (audio.channels == 0) return "the audio has no channels";
  if (audio.samplesPerSecond != 11025 && audio.samplesPerSecond != 22050 && audio.samplesPerSecond != 44100)
    return "the audio runs at " + std::to_string(audio.samplesPerSecond) +
           " samples per second; the export takes 11025, 22050 or 44100";
  if (audio.blockAlign == 0) return "the audio's block alignment is 0";
  if (audio.data.size() < audio.blockAlign) return "the audio holds no samples";
  return std::string();
}

std::vector<BYTE> NewPackedDib(LONG width, LONG height) {
  const size_t stride = size_t(dib::RowStride(uint64_t(width), 24));
  std::vector<BYTE> dib(sizeof(BITMAPINFOHEADER) + stride * static_cast<size_t>(height), 0);
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof(header);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(stride * static_cast<size_t>(height));
  std::memcpy(dib.data(), &header, sizeof(header));
  return dib;
}

void DrawTestPattern(std::vector<BYTE> *dib, LONG frame) {
  BITMAPINFOHEADER header;
  std::memcpy(&header, dib->data(), sizeof(header));
  LONG width = header.biWidth, height = header.biHeight;
  const size_t stride = size_t(dib::RowStride(uint64_t(width), 24));
  BYTE *rows = dib->data() + sizeof(header);
  LONG side = (width < height ? width : height) / 4;
  LONG squareX = static_cast<LONG>((frame * 4L) % (width + side)) - side;
  LONG squareY = (height - side) / 2;
  double phase = frame * 0.05;
  // Blue follows the column, green the row, and red both: cos(a + b) from the column's
  // and the row's own sines and cosines, so that no pixel computes a sine of its own.
  std::vector<BYTE> blue(static_cast<size_t>(width));
  std::vector<double> redCos(static_cast<size_t>(width)), redSin(static_cast<size_t>(width));
  for (LONG x = 0; x < width; ++x) {
    double u = static_cast<double>(x) / width;
    blue[x] = static_cast<BYTE>(128 + 100 * std::sin(6.28 * u + phase));
    redCos[x] = 100 * std::cos(3.14 * u + phase);
    redSin[x] = 100 * std::sin(3.14 * u + phase);
  }
  for (LONG y = 0; y < height; ++y) {
    BYTE *row = rows + static_cast<size_t>(height - 1 - y) * stride;  // bottom-up
    double v = static_cast<double>(y) / height;
    BYTE green = static_cast<BYTE>(128 + 100 * std::sin(6.28 * v - phase));
    double cosV = std::cos(3.14 * v), sinV = std::sin(3.14 * v);
    bool squareRow = y >= squareY && y < squareY + side;
    for (LONG x = 0; x < width; ++x) {
      BYTE *pixel = row + 3 * x;
      if (squareRow && x >= squareX && x < squareX + side) {
        pixel[0] = pixel[1] = pixel[2] = 235;
        continue;
      }
      pixel[0] = blue[x];
      pixel[1] = green;
      pixel[2] = static_cast<BYTE>(128 + redCos[x] * cosV - redSin[x] * sinV);
    }
  }
}

std::string FrameRefusal(const BITMAPINFOHEADER &header) {
  if (header.biBitCount != 24) return std::to_string(header.biBitCount) + " bits per pixel; the export takes 24";
  if (header.biCompression != BI_RGB) return "compressed pixels; the export takes plain BI_RGB rows";
  if (header.biPlanes != 1) return "a plane count other than 1";
  if (header.biWidth <= 0 || header.biHeight <= 0) return "not a bottom-up picture of positive width and height";
  if (header.biWidth > 16384 || header.biHeight > 16384) return "a picture larger than 16384 pixels across";
  return std::string();
}

}  // namespace qvhost
