// Video encoding for the writer.
#include "encode_video.h"

#include "dib/geometry.h"
#include "writer_formats.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace wmf {

namespace {
constexpr long long kUnitsPerSecond = 10000000;
}

VideoEncoder::~VideoEncoder() {
  FreeEncodedStream(out_);
  sws_freeContext(convert_);
  av_frame_free(&frame_);
}

HRESULT VideoEncoder::Open(const VIDEOINFOHEADER &format, DWORD bitrate, AsfFile &file) {
  const BITMAPINFOHEADER &bitmap = format.bmiHeader;
  width_ = bitmap.biWidth;
  height_ = std::abs(bitmap.biHeight);
  bottomUp_ = bitmap.biHeight > 0;
  stride_ = DWORD(dib::RowStride(uint64_t(width_), 24));
  imageSize_ = stride_ * static_cast<DWORD>(height_);

  const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_WMV1);
  if (!codec) return NS_E_INVALID_OUTPUT_FORMAT;
  out_.codec = avcodec_alloc_context3(codec);
  frame_ = av_frame_alloc();
  if (!out_.codec || !frame_) return E_OUTOFMEMORY;

  // The codec takes even sizes only: an odd last column or row is repeated.
  AVCodecContext *c = out_.codec;
  c->width = (width_ + 1) & ~1;
  c->height = (height_ + 1) & ~1;
  c->pix_fmt = AV_PIX_FMT_YUV420P;
  const double rate = static_cast<double>(kUnitsPerSecond) / static_cast<double>(FrameDurationOf(format));
  AVRational frameRate = av_d2q(rate, 65535);
  if (frameRate.num <= 0 || frameRate.den <= 0) frameRate = AVRational{30, 1};
  c->framerate = frameRate;
  c->time_base = av_inv_q(frameRate);
  c->bit_rate = bitrate;
  // A key frame about once a second keeps seeking short.
  c->gop_size = std::max(1, static_cast<int>(av_q2d(frameRate) + 0.5));
  c->max_b_frames = 0;
  c->sample_aspect_ratio = AVRational{1, 1};
  HRESULT hr = OpenEncodedStream(out_, file);
  if (FAILED(hr)) return hr;
  // The file keeps the picture's own size: the codec's bitstream carries none, its
  // macroblocks cover the odd size and the padded one alike, and a decoder then
  // crops the repeated column and row away again.
  out_.stream->codecpar->width = width_;
  out_.stream->codecpar->height = height_;
  out_.stream->avg_frame_rate = frameRate;
  out_.packetDuration = 1;

  frame_->format = c->pix_fmt;
  frame_->width = c->width;
  frame_->height = c->height;
  if (av_frame_get_buffer(frame_, 0) < 0) return E_OUTOFMEMORY;
  convert_ = sws_getContext(c->width, c->height, AV_PIX_FMT_BGR24, c->width, c->height, AV_PIX_FMT_YUV420P,
                            SWS_BICUBIC, nullptr, nullptr, nullptr);
  return convert_ ? S_OK : NS_E_INVALID_INPUT_FORMAT;
}

// libswscale converts pixels in pairs: at an odd width it leaves the picture's last
// column unwritten. An odd picture is copied into an even one first, whose extra
// column and row repeat the picture's edge.
const uint8_t *VideoEncoder::PaddedToEvenSize(const uint8_t *topRow, int rowStep) {
  const int width = out_.codec->width, height = out_.codec->height;
  const size_t stride = static_cast<size_t>(width) * 3;
  padded_.resize(stride * height);
  for (int y = 0; y < height; ++y) {
    uint8_t *row = &padded_[stride * y];
    if (y >= height_) {
      std::memcpy(row, row - stride, stride);
      continue;
    }
    const uint8_t *source = topRow + static_cast<ptrdiff_t>(y) * rowStep;
    std::memcpy(row, source, static_cast<size_t>(width_) * 3);
    if (width > width_) std::memcpy(row + width_ * 3, source + (width_ - 1) * 3, 3);
  }
  return padded_.data();
}

HRESULT VideoEncoder::Encode(const BYTE *image, DWORD length, QWORD time, bool keyFrame, AsfFile &file) {
  if (!out_.codec) return E_UNEXPECTED;
  if (length < imageSize_) return E_INVALIDARG;
  if (av_frame_make_writable(frame_) < 0) return E_OUTOFMEMORY;

  // Bottom-up rows are read from the last one up through a negative stride; the
  // output is the frame's own padded planes, never a buffer of exactly the image size.
  const uint8_t *source = image;
  int sourceStride = static_cast<int>(stride_);
  if (bottomUp_) {
    source = image + static_cast<ptrdiff_t>(height_ - 1) * stride_;
    sourceStride = -sourceStride;
  }
  if (out_.codec->width != width_ || out_.codec->height != height_) {
    source = PaddedToEvenSize(source, sourceStride);
    sourceStride = out_.codec->width * 3;
  }
  sws_scale(convert_, &source, &sourceStride, 0, out_.codec->height, frame_->data, frame_->linesize);

  // Presentation time to frame number; frames never share or go back in time.
  const AVRational rate = out_.codec->framerate;
  long long pts = av_rescale_rnd(static_cast<int64_t>(time), rate.num,
                                 static_cast<int64_t>(rate.den) * kUnitsPerSecond, AV_ROUND_NEAR_INF);
  if (pts <= lastPts_) pts = lastPts_ + 1;
  lastPts_ = pts;
  frame_->pts = pts;
  frame_->pict_type = keyFrame ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
  return EncodeAndWrite(out_, frame_, file);
}

HRESULT VideoEncoder::Finish(AsfFile &file) {
  if (!out_.codec) return E_UNEXPECTED;
  return EncodeAndWrite(out_, nullptr, file);
}

}  // namespace wmf
