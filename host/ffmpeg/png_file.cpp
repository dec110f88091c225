// PNG files through FFmpeg's PNG encoder.
#include "png_file.h"

#include "output_file.h"
#include "whole_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cstring>

#include "dib/geometry.h"

namespace qvhost {

bool CanWritePng(std::string *why) {
  if (avcodec_find_encoder(AV_CODEC_ID_PNG)) return true;
  *why = "the FFmpeg this qvhost uses has no PNG encoder: write .bmp frames instead (--format bmp)";
  return false;
}

bool WritePngFile(const std::string &path, const BYTE *packedDib, size_t size, std::string *error) {
  BITMAPINFOHEADER header;
  if (!packedDib || size < sizeof header) {
    *error = "no bitmap to write";
    return false;
  }
  std::memcpy(&header, packedDib, sizeof header);
  const LONG width = header.biWidth, height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  const size_t stride = width > 0 ? size_t(dib::RowStride(uint64_t(width), 24)) : 0;
  if (header.biBitCount != 24 || header.biCompression != BI_RGB || width <= 0 || height == 0 ||
      size < header.biSize + stride * static_cast<size_t>(height)) {
    *error = "the frame is not a whole 24-bit bitmap";
    return false;
  }
  const AVCodec *encoder = avcodec_find_encoder(AV_CODEC_ID_PNG);
  AVCodecContext *codec = encoder ? avcodec_alloc_context3(encoder) : nullptr;
  AVFrame *frame = av_frame_alloc();
  AVPacket *packet = av_packet_alloc();
  std::string failure;
  int result = codec && frame && packet ? 0 : AVERROR(ENOMEM);
  if (result >= 0) {
    codec->width = width;
    codec->height = height;
    codec->pix_fmt = AV_PIX_FMT_RGB24;
    codec->time_base = AVRational{1, 1};
    result = avcodec_open2(codec, encoder, nullptr);
  }
  if (result >= 0) {
    frame->width = width;
    frame->height = height;
    frame->format = AV_PIX_FMT_RGB24;
    result = av_frame_get_buffer(frame, 0);
  }
  if (result >= 0) {
    // The DIB is blue-green-red and bottom-up (unless its height is negative); PNG is
    // red-green-blue and top-down.
    const BYTE *rows = packedDib + header.biSize;
    for (LONG y = 0; y < height; ++y) {
      const BYTE *from = rows + stride * static_cast<size_t>(header.biHeight > 0 ? height - 1 - y : y);
      uint8_t *to = frame->data[0] + static_cast<size_t>(y) * frame->linesize[0];
      for (LONG x = 0; x < width; ++x, from += 3, to += 3) to[0] = from[2], to[1] = from[1], to[2] = from[0];
    }
    result = avcodec_send_frame(codec, frame);
  }
  if (result >= 0) result = avcodec_receive_packet(codec, packet);
  if (result < 0) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(result, text, sizeof text);
    failure = std::string("cannot encode the frame as PNG: ") + text;
  } else {
    wholefile::WriteWholeFile(path, packet->data, static_cast<size_t>(packet->size), kTemporaryTag, &failure);
  }
  av_packet_free(&packet);
  av_frame_free(&frame);
  avcodec_free_context(&codec);
  if (!failure.empty()) *error = failure;
  return failure.empty();
}

}  // namespace qvhost
