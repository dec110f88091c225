/* One stream of a media file, decoded frame by frame through libavformat and
 * libavcodec: what the host's picture, sound and video readers share. */
#ifndef QV_HOST_FFMPEG_DECODING_INPUT_H
#define QV_HOST_FFMPEG_DECODING_INPUT_H

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <string>
#include <vector>

#include "host.h"

namespace qvhost {

/* FFmpeg's text for an error code. */
std::string AvErrorText(int code);

class DecodingInput {
 public:
  DecodingInput() = default;
  ~DecodingInput();
  DecodingInput(const DecodingInput &) = delete;
  DecodingInput &operator=(const DecodingInput &) = delete;

  /* Opens `path` and the decoder of its best stream of `type`. False with a message
   * that names the file and what failed. `strict`: damage fails the decoding instead of
   * being concealed (a damaged picture is refused, a damaged video plays on). */
  bool Open(const std::string &path, AVMediaType type, std::string *error, bool strict = false);

  /* The next decoded frame into `frame`; false at the end of the stream, or on a
   * failure, with `*error` set then. Damaged packets are skipped, as players do. */
  bool Next(AVFrame *frame, std::string *error);

  AVFormatContext *format() const { return format_; }
  AVStream *stream() const { return stream_; }
  AVCodecContext *codec() const { return codec_; }

 private:
  AVFormatContext *format_ = nullptr;
  AVCodecContext *codec_ = nullptr;
  AVStream *stream_ = nullptr;
  AVPacket *packet_ = nullptr;
  bool draining_ = false;
  bool strict_ = false;
  std::string path_;
};

/* Opens just the container of `path` (no decoder), for what its streams are. */
bool OpenContainer(const std::string &path, AVFormatContext **format, std::string *error);

/* Converts one decoded picture into a packed DIB of 24 bits, bottom-up, rows padded to
 * 4 bytes, scaled to width x height when those are given (see DibConverter). */
bool PictureToPackedDib(const AVFrame *frame, std::vector<BYTE> *dib, std::string *error, LONG width = 0,
                        LONG height = 0);

}  // namespace qvhost

#endif
