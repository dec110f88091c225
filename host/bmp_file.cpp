// .bmp files: a packed DIB behind a 14-byte BITMAPFILEHEADER.
#include "host.h"
#include "output_file.h"
#include "whole_file.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "dib/geometry.h"

namespace qvhost {
namespace {

constexpr WORD kBmpSignature = 0x4D42;  // "BM"
constexpr size_t kFileHeaderSize = 14;

void PutLE16(BYTE *p, uint16_t v) {
  p[0] = (BYTE)v;
  p[1] = (BYTE)(v >> 8);
}
void PutLE32(BYTE *p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = (BYTE)(v >> (8 * i));
}
uint32_t GetLE32(const BYTE *p) { return p[0] | (p[1] << 8) | (p[2] << 16) | ((uint32_t)p[3] << 24); }
uint16_t GetLE16(const BYTE *p) { return (uint16_t)(p[0] | (p[1] << 8)); }

// Reads the header with memcpy: a packed DIB need not be aligned for DWORD access.
BITMAPINFOHEADER HeaderOf(const BYTE *dib) {
  BITMAPINFOHEADER header;
  std::memcpy(&header, dib, sizeof header);
  return header;
}

}  // namespace

size_t PackedDibPixelOffset(const BITMAPINFOHEADER &header) {
  size_t colours = header.biClrUsed;
  if (colours == 0 && header.biBitCount >= 1 && header.biBitCount <= 8) colours = size_t(1) << header.biBitCount;
  if (header.biCompression == BI_BITFIELDS && header.biSize == sizeof(BITMAPINFOHEADER)) colours += 3;
  if (colours > 65536) return 0;  // no sane table is this large
  return header.biSize + colours * sizeof(RGBQUAD);
}

size_t PackedDibImageSize(const BITMAPINFOHEADER &header) {
  if (header.biWidth <= 0 || header.biBitCount == 0 || header.biBitCount > 32) return 0;
  uint64_t height = header.biHeight < 0 ? -(int64_t)header.biHeight : header.biHeight;
  uint64_t size = dib::ImageBytes((uint64_t)header.biWidth, header.biBitCount, height);
  if (height == 0 || size > 0x7FFFFFFF) return 0;
  return (size_t)size;
}

bool WriteBmpFile(const std::string &path, const BYTE *packedDib, size_t size, std::string *error) {
  if (!packedDib || size < sizeof(BITMAPINFOHEADER)) {
    *error = "no bitmap to write";
    return false;
  }
  BITMAPINFOHEADER header = HeaderOf(packedDib);
  size_t offset = PackedDibPixelOffset(header);
  if (offset == 0 || offset > size || size > 0x7FFFFFFF - kFileHeaderSize) {
    *error = "the bitmap's header does not fit its size";
    return false;
  }
  BYTE fileHeader[kFileHeaderSize] = {};
  PutLE16(fileHeader, kBmpSignature);
  PutLE32(fileHeader + 2, (uint32_t)(kFileHeaderSize + size));
  PutLE32(fileHeader + 10, (uint32_t)(kFileHeaderSize + offset));
  // Header and picture written one after the other: a copy of a 1080p picture
  // would cost more than the write.
  wholefile::PendingFile file;
  return file.Create(path, kTemporaryTag, error) && file.Write(fileHeader, sizeof fileHeader, error) &&
         file.Write(packedDib, size, error) && file.Keep(true, error);
}

bool ReadBmpFile(const std::string &path, std::vector<BYTE> *packedDib, std::string *error) {
  FILE *file = std::fopen(path.c_str(), "rb");
  if (!file) {
    *error = "cannot open '" + path + "': " + std::strerror(errno);
    return false;
  }
  std::vector<BYTE> bytes;
  BYTE chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    *error = "cannot read '" + path + "'";
    return false;
  }
  if (bytes.size() < kFileHeaderSize + sizeof(BITMAPINFOHEADER) || GetLE16(bytes.data()) != kBmpSignature) {
    *error = "'" + path + "' is not a BMP file";
    return false;
  }
  const BYTE *dib = bytes.data() + kFileHeaderSize;
  size_t dibSize = bytes.size() - kFileHeaderSize;
  BITMAPINFOHEADER header = HeaderOf(dib);
  uint32_t pixelOffset = GetLE32(bytes.data() + 10);
  size_t image = PackedDibImageSize(header);
  size_t expectedOffset = PackedDibPixelOffset(header);
  if (header.biSize < sizeof(BITMAPINFOHEADER) || expectedOffset == 0 || image == 0 ||
      (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS)) {
    *error = "'" + path + "' has a bitmap header this host cannot use";
    return false;
  }
  // The rows must follow the colour table directly, as in a packed DIB.
  if (pixelOffset != kFileHeaderSize + expectedOffset || dibSize < expectedOffset + image) {
    *error = "'" + path + "' is truncated or not a plain packed DIB";
    return false;
  }
  packedDib->assign(dib, dib + expectedOffset + image);
  return true;
}

}  // namespace qvhost
