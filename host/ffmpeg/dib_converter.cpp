// Conversion of decoded pictures into the plug-in's frames.
#include "dib_converter.h"

extern "C" {
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cstring>

#include "dib/geometry.h"
#include "export_media.h"

namespace qvhost {

namespace {

// Each pixel's own colour at the same size, sharp chroma at another. libswscale's fast
// path from 4:2:0 is exact only at widths of whole 16-pixel blocks: at others it leaves
// the right-hand columns unwritten or writes past the row's end. Elsewhere the exact
// rounding keeps it off that path.
int ScalerFlags(const AVFrame *frame, LONG width, LONG height) {
  if (frame->width != width || frame->height != height) return SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT;
  const bool fastPathIsExact = frame->format == AV_PIX_FMT_YUV420P && width % 16 == 0 && height % 2 == 0;
  return fastPathIsExact ? SWS_POINT : SWS_POINT | SWS_ACCURATE_RND;
}

}  // namespace

DibConverter::~DibConverter() { sws_freeContext(scaler_); }

bool DibConverter::Convert(const AVFrame *frame, std::vector<BYTE> *dib, std::string *error, LONG width,
                           LONG height) {
  if (width <= 0 || height <= 0) width = frame->width, height = frame->height;
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
    *error = "a picture of " + std::to_string(width) + "x" + std::to_string(height) +
             " pixels; the export takes 1 to 16384 pixels across";
    return false;
  }
  const AVPixelFormat format = static_cast<AVPixelFormat>(frame->format);
  const AVPixFmtDescriptor *layout = av_pix_fmt_desc_get(format);
  if (frame->width <= 0 || frame->height <= 0 || !layout) {
    *error = "a decoded picture without a size or a pixel format";
    return false;
  }
  scaler_ = sws_getCachedContext(scaler_, frame->width, frame->height, format, width, height, AV_PIX_FMT_BGR24,
                                 ScalerFlags(frame, width, height), nullptr, nullptr, nullptr);
  if (!scaler_) {
    *error = std::string("no conversion from the pixel format ") + layout->name + " to 24-bit RGB";
    return false;
  }

  const size_t rowBytes = static_cast<size_t>(width) * 3;
  const size_t stride = size_t(dib::RowStride(uint64_t(width), 24));
  if (dib->size() != sizeof(BITMAPINFOHEADER) + stride * static_cast<size_t>(height)) *dib = NewPackedDib(width, height);
  BYTE *rows = dib->data() + sizeof(BITMAPINFOHEADER);
  int dibStride = static_cast<int>(stride);

  // The DIB is bottom-up. libswscale misplaces rows written through a negative stride
  // but reads them right: the source is read from its last row up, straight into the
  // DIB. A subsampled chroma plane that does not cover whole rows would pair its rows
  // with the wrong luma ones that way: such pictures go through a top-down copy.
  const bool turnOnTheWayIn = !(layout->flags & AV_PIX_FMT_FLAG_PAL) &&
                              frame->height % (1 << layout->log2_chroma_h) == 0;
  const uint8_t *planes[4] = {};
  int strides[4] = {};
  for (int p = 0; p < 4 && frame->data[p]; ++p) {
    planes[p] = frame->data[p];
    strides[p] = frame->linesize[p];
    const bool chroma = p == 1 || p == 2;
    if (!turnOnTheWayIn) continue;
    const int planeRows = chroma ? frame->height >> layout->log2_chroma_h : frame->height;
    planes[p] += static_cast<ptrdiff_t>(planeRows - 1) * strides[p];
    strides[p] = -strides[p];
  }
  if (turnOnTheWayIn) {
    sws_scale(scaler_, planes, strides, 0, frame->height, &rows, &dibStride);
    return true;
  }
  topDown_.resize(stride * static_cast<size_t>(height));
  uint8_t *scratch = topDown_.data();
  sws_scale(scaler_, planes, strides, 0, frame->height, &scratch, &dibStride);
  for (LONG y = 0; y < height; ++y)
    std::memcpy(rows + static_cast<size_t>(height - 1 - y) * stride, scratch + static_cast<size_t>(y) * stride,
                rowBytes);
  return true;
}

}  // namespace qvhost
