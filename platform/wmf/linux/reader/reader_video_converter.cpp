// Picture conversion, pixel for pixel what FFmpeg's own conversion (`ffmpeg -pix_fmt
// bgr24`) gives. 4:2:0 pictures of the output's size and even height become 24-bit
// rows in yuv420_to_bgr24.cpp where that is faster; everything else in libswscale.
//
// DIB rows run bottom-up. libswscale's converters of 4:2:0 to RGB write blocks of
// pixels and fit them to the stride they are given: at a DIB's stride, a width whose
// remainder by 16 is 1 to 7 loses that many right-hand columns (never written), and
// written upwards through a negative stride, every width that is not a multiple of 16
// spills into the row written before. So only a width that is a multiple of 16 is
// written straight into the DIB upwards by libswscale; every other picture is
// converted top-down into a buffer laid out as FFmpeg lays out its own pictures (rows
// of whole blocks of 16 pixels, 64-byte aligned) and its rows copied in reverse.
// Checked at every width to 2048, for every output, by the tests.
//
// Pictures are read top-down: read upwards through negative strides, a 4:2:0 picture
// of odd height pairs its chroma rows with other luma rows than FFmpeg does.
#include "reader_video_converter.h"

#include <cstring>

#include "dib/geometry.h"
#include "yuv420_to_bgr24.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace wmf {

static AVPixelFormat DibPixelFormat(VideoOutputKind kind) {
  switch (kind) {
    case VideoOutputKind::Rgb32: return AV_PIX_FMT_BGR0;       // B, G, R, unused
    case VideoOutputKind::Rgb555: return AV_PIX_FMT_RGB555LE;  // 0RRRRRGG GGGBBBBB
    case VideoOutputKind::Rgb8: return AV_PIX_FMT_BGR8;        // BBGGGRRR, see Rgb8Palette
    case VideoOutputKind::Rgb24: break;
  }
  return AV_PIX_FMT_BGR24;  // B, G, R
}

ReaderVideoConverter::ReaderVideoConverter(VideoOutputKind kind, int width, int height)
    : kind_(kind),
      width_(width),
      height_(height),
      stride_(DWORD(dib::RowStride(uint64_t(width), BitCount(kind)))),
      scratchStride_(FFALIGN(FFALIGN(width, 16) * (BitCount(kind) / 8), kAlign)) {}

ReaderVideoConverter::~ReaderVideoConverter() { sws_freeContext(sws_); }

bool ReaderVideoConverter::Convert(const AVFrame &frame, BYTE *dib) {
  if (!av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format)) || frame.width <= 0 || frame.height <= 0)
    return false;
  const bool sameSize = frame.width == width_ && frame.height == height_;
  if (kind_ == VideoOutputKind::Rgb24 && frame.format == AV_PIX_FMT_YUV420P && sameSize && height_ % 2 == 0 &&
      Yuv420ToBgr24IsFast()) {
    const uint8_t *const planes[3] = {frame.data[0], frame.data[1], frame.data[2]};
    Yuv420ToBgr24(planes, frame.linesize, width_, height_, dib + static_cast<size_t>(height_ - 1) * stride_,
                  -static_cast<ptrdiff_t>(stride_));
    return true;
  }
  // Bicubic as FFmpeg's command line: it only matters where libswscale filters (odd
  // heights, other sizes), not on its fast path.
  sws_ = sws_getCachedContext(sws_, frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), width_,
                              height_, DibPixelFormat(kind_), SWS_BICUBIC, nullptr, nullptr, nullptr);
  if (!sws_) return false;

  // libswscale's fast path takes 4:2:0 of the output's own size and even height.
  if (frame.format == AV_PIX_FMT_YUV420P && sameSize && height_ % 2 == 0 && width_ % 16 == 0) {
    uint8_t *bottomUp[4] = {dib + static_cast<size_t>(height_ - 1) * stride_, nullptr, nullptr, nullptr};
    const int upwards[4] = {-static_cast<int>(stride_), 0, 0, 0};
    return sws_scale(sws_, frame.data, frame.linesize, 0, frame.height, bottomUp, upwards) == height_;
  }
  scratch_.resize(static_cast<size_t>(scratchStride_) * height_ + kAlign);
  uint8_t *top = scratch_.data() + (kAlign - reinterpret_cast<uintptr_t>(scratch_.data()) % kAlign) % kAlign;
  uint8_t *out[4] = {top, nullptr, nullptr, nullptr};
  const int outStrides[4] = {scratchStride_, 0, 0, 0};
  if (sws_scale(sws_, frame.data, frame.linesize, 0, frame.height, out, outStrides) != height_) return false;
  for (int y = 0; y < height_; ++y)
    std::memcpy(dib + static_cast<size_t>(height_ - 1 - y) * stride_, top + static_cast<size_t>(y) * scratchStride_,
                stride_);
  return true;
}

}  // namespace wmf
