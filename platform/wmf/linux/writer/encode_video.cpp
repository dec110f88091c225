// Video encoding for the writer.
#include "encode_video.h"

#include "dib/geometry.h"
#include "picture_to_yuv420.h"
#include "writer_formats.h"

#include <algorithm>
#include <cstdlib>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace wmf {

namespace {
constexpr long long kUnitsPerSecond = 10000000;
}

VideoEncoder::~VideoEncoder() {
  FreeEncodedStream(out_);
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
  return av_frame_get_buffer(frame_, 0) < 0 ? E_OUTOFMEMORY : S_OK;
}

HRESULT VideoEncoder::Encode(const BYTE *image, DWORD length, QWORD time, bool keyFrame, AsfFile &file) {
  if (!out_.codec) return E_UNEXPECTED;
  if (length < imageSize_) return E_INVALIDARG;
  if (av_frame_make_writable(frame_) < 0) return E_OUTOFMEMORY;

  // Bottom-up rows are read from the last one up, straight from the sample; an odd
  // picture's repeated last column and row fill the frame's even size.
  const uint8_t *top = image;
  ptrdiff_t rowStep = static_cast<ptrdiff_t>(stride_);
  if (bottomUp_) {
    top = image + static_cast<ptrdiff_t>(height_ - 1) * rowStep;
    rowStep = -rowStep;
  }
  PictureToYuv420(top, rowStep, width_, height_, frame_->data, frame_->linesize);

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
