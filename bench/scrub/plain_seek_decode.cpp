// The plain seek-and-decode program over FFmpeg's libraries.
#include "plain_seek_decode.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

PlainSeekDecoder::~PlainSeekDecoder() {
  sws_freeContext(sws_);
  av_packet_free(&packet_);
  av_frame_free(&frame_);
  av_frame_free(&next_);
  avcodec_free_context(&codec_);
  avformat_close_input(&format_);
}

bool PlainSeekDecoder::Open(const std::string &path) {
  if (avformat_open_input(&format_, path.c_str(), nullptr, nullptr) < 0) return false;
  if (avformat_find_stream_info(format_, nullptr) < 0) return false;
  const AVCodec *decoder = nullptr;
  stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
  if (stream_ < 0 || !decoder) return false;
  codec_ = avcodec_alloc_context3(decoder);
  if (!codec_ || avcodec_parameters_to_context(codec_, format_->streams[stream_]->codecpar) < 0) return false;
  codec_->pkt_timebase = format_->streams[stream_]->time_base;
  codec_->thread_count = 1;  // one core
  if (avcodec_open2(codec_, decoder, nullptr) < 0) return false;
  width_ = codec_->width;
  height_ = codec_->height;
  frame_ = av_frame_alloc();
  next_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  topDown_.resize(static_cast<size_t>(width_) * 3 * height_ + 64);
  return frame_ && next_ && packet_;
}

bool PlainSeekDecoder::DecodeNext(AVFrame *into) {
  for (;;) {
    const int rc = avcodec_receive_frame(codec_, into);
    if (rc >= 0) return true;
    if (rc != AVERROR(EAGAIN)) return false;
    if (av_read_frame(format_, packet_) < 0) {
      avcodec_send_packet(codec_, nullptr);  // drain
      continue;
    }
    if (packet_->stream_index == stream_) avcodec_send_packet(codec_, packet_);
    av_packet_unref(packet_);
  }
}

bool PlainSeekDecoder::Convert(const AVFrame &frame, std::vector<uint8_t> *dib) {
  sws_ = sws_getCachedContext(sws_, frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), width_,
                              height_, AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!sws_) return false;
  // Into an aligned top-down buffer, then the rows in reverse: libswscale misplaces
  // rows written through a negative stride.
  uint8_t *out[4] = {topDown_.data(), nullptr, nullptr, nullptr};
  const int outStride[4] = {width_ * 3, 0, 0, 0};
  sws_scale(sws_, frame.data, frame.linesize, 0, frame.height, out, outStride);
  const size_t stride = (static_cast<size_t>(width_) * 3 + 3) & ~size_t(3);
  dib->resize(stride * height_);
  for (int y = 0; y < height_; ++y)
    std::memcpy(dib->data() + stride * (height_ - 1 - y), topDown_.data() + static_cast<size_t>(y) * width_ * 3,
                static_cast<size_t>(width_) * 3);
  return true;
}

bool PlainSeekDecoder::Frame(int n, int fps, std::vector<uint8_t> *dib) {
  const AVStream *stream = format_->streams[stream_];
  // The frame shown at n / fps: the last one stored at or before that time (ASF keeps
  // whole milliseconds, so within half of one).
  const int64_t wanted = av_rescale_q(static_cast<int64_t>(n) * 10000000 / fps, AVRational{1, 10000000},
                                      stream->time_base);
  const int64_t tolerance = av_rescale_q(5000, AVRational{1, 10000000}, stream->time_base);
  if (n != last_ + 1) {
    av_seek_frame(format_, stream_, wanted, AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(codec_);
    haveNext_ = false;
  }
  last_ = n;
  if (!haveNext_ && !DecodeNext(next_)) return false;
  haveNext_ = true;
  // Decode on while the following frame still starts at or before the wanted time.
  for (;;) {
    av_frame_unref(frame_);
    av_frame_move_ref(frame_, next_);
    haveNext_ = DecodeNext(next_);
    if (!haveNext_ || next_->best_effort_timestamp - tolerance > wanted) break;
  }
  return Convert(*frame_, dib);
}
