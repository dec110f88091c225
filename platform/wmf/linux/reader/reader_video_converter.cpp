// Picture conversion with libswscale.
//
// DIB rows run bottom-up. libswscale reads an image correctly through negative
// strides but misplaces rows when it writes through one, so the source planes are
// read from their last row upwards and the output is written top-down in memory.
// Except for a picture of the output's own size in 4:2:0: reading it upwards takes
// libswscale off its fast path (about twice the time). Its fast path writes whole
// blocks of 16 pixels, which through a negative stride overwrite the row written
// before when the width is not a multiple of them, but is exact otherwise (checked
// at every even width up to 700 and odd and even heights): a width that is a
// multiple of 32 is written bottom-up straight into the DIB. Other widths are
// converted top-down into a buffer of their own and the rows copied in reverse.
#include "reader_video_converter.h"

#include <cstring>

#include "dib/geometry.h"

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
    : kind_(kind), width_(width), height_(height), stride_(DWORD(dib::RowStride(uint64_t(width), BitCount(kind)))) {}

ReaderVideoConverter::~ReaderVideoConverter() { sws_freeContext(sws_); }

bool ReaderVideoConverter::Convert(const AVFrame &frame, BYTE *dib) {
  const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
  if (!desc || frame.width <= 0 || frame.height <= 0) return false;
  sws_ = sws_getCachedContext(sws_, frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), width_,
                              height_, DibPixelFormat(kind_), SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!sws_) return false;

  const uint8_t *planes[4] = {};
  int strides[4] = {};
  const bool palette = desc->flags & AV_PIX_FMT_FLAG_PAL;
  for (int i = 0; i < 4 && frame.data[i]; ++i) {
    if (palette && i == 1) {  // the colour table is not a plane
      planes[i] = frame.data[i];
      strides[i] = frame.linesize[i];
      continue;
    }
    const bool chroma = (i == 1 || i == 2) && desc->nb_components >= 3 && !(desc->flags & AV_PIX_FMT_FLAG_RGB);
    const int rows = chroma ? AV_CEIL_RSHIFT(frame.height, desc->log2_chroma_h) : frame.height;
    planes[i] = frame.data[i] + static_cast<ptrdiff_t>(frame.linesize[i]) * (rows - 1);
    strides[i] = -frame.linesize[i];
  }
  uint8_t *out[4] = {dib, nullptr, nullptr, nullptr};
  const int outStrides[4] = {static_cast<int>(stride_), 0, 0, 0};
  if (frame.format == AV_PIX_FMT_YUV420P && frame.width == width_ && frame.height == height_) {
    if (kind_ == VideoOutputKind::Rgb24 && width_ % 32 == 0) {
      uint8_t *bottomUp[4] = {dib + static_cast<size_t>(height_ - 1) * stride_, nullptr, nullptr, nullptr};
      const int upwards[4] = {-static_cast<int>(stride_), 0, 0, 0};
      return sws_scale(sws_, frame.data, frame.linesize, 0, frame.height, bottomUp, upwards) == height_;
    }
    topDown_.resize(ImageSize() + kSlack);
    out[0] = topDown_.data();
    if (sws_scale(sws_, frame.data, frame.linesize, 0, frame.height, out, outStrides) != height_) return false;
    for (int y = 0; y < height_; ++y)
      std::memcpy(dib + static_cast<size_t>(height_ - 1 - y) * stride_, topDown_.data() + static_cast<size_t>(y) * stride_,
                  stride_);
    return true;
  }
  return sws_scale(sws_, planes, strides, 0, frame.height, out, outStrides) == height_;
}

}  // namespace wmf
