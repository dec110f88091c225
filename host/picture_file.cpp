// Pictures for the export: plain 24-bit BMPs as they are, anything else through FFmpeg.
#include "picture_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "export_media.h"

namespace qvhost {

bool ReadPicture(const std::string &path, std::vector<BYTE> *dib, std::string *error) {
  // A missing or unreadable file is that, whatever kind of picture it was meant to be.
  FILE *file = std::fopen(path.c_str(), "rb");
  if (!file) {
    *error = "cannot open '" + path + "': " + std::strerror(errno);
    return false;
  }
  std::fclose(file);

  std::vector<BYTE> bmp;
  std::string notPlain;
  BITMAPINFOHEADER header = {};
  if (ReadBmpFile(path, &bmp, &notPlain)) {
    std::memcpy(&header, bmp.data(), sizeof header);
    if (FrameRefusal(header).empty()) {
      *dib = NewPackedDib(header.biWidth, header.biHeight);
      size_t rows = dib->size() - sizeof header;
      std::memcpy(dib->data() + sizeof header, bmp.data() + PackedDibPixelOffset(header), rows);
      return true;
    }
  }
  if (!DecodePicture(path, dib, error)) return false;
  std::memcpy(&header, dib->data(), sizeof header);
  std::string refusal = FrameRefusal(header);
  if (!refusal.empty()) {
    *error = path + ": " + refusal;
    return false;
  }
  return true;
}

}  // namespace qvhost
