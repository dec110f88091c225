// Turns decoded pictures into the bottom-up DIB rows a video output offers.
#ifndef QV_WMF_READER_VIDEO_CONVERTER_H
#define QV_WMF_READER_VIDEO_CONVERTER_H

#include <cstdint>
#include <vector>

#include "reader_output_format.h"

struct AVFrame;
struct SwsContext;

namespace wmf {

class ReaderVideoConverter {
 public:
  ReaderVideoConverter(VideoOutputKind kind, int width, int height);
  ~ReaderVideoConverter();
  ReaderVideoConverter(const ReaderVideoConverter &) = delete;
  ReaderVideoConverter &operator=(const ReaderVideoConverter &) = delete;

  DWORD ImageSize() const { return stride_ * static_cast<DWORD>(height_); }
  // Bytes a destination must hold: libswscale may write a little past the last row.
  DWORD BufferSize() const { return ImageSize() + kSlack; }
  // Writes the picture, scaled to the output size when it differs, into `dib`
  // (BufferSize() bytes). False when the picture cannot be converted.
  bool Convert(const AVFrame &frame, BYTE *dib);

 private:
  static constexpr DWORD kSlack = 64;
  static constexpr int kAlign = 64;
  VideoOutputKind kind_;
  int width_;
  int height_;
  DWORD stride_;
  int scratchStride_;
  SwsContext *sws_ = nullptr;
  std::vector<uint8_t> scratch_;  // top-down rows, see the .cpp
};

}  // namespace wmf

#endif
