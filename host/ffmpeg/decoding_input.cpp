// Decoding one stream of a media file with libavformat and libavcodec.
#include "decoding_input.h"

#include "dib_converter.h"

namespace qvhost {

std::string AvErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

bool OpenContainer(const std::string &path, AVFormatContext **format, std::string *error) {
  // qvhost reports what failed in its own words; the libraries' console chatter about a
  // damaged packet or a guessed duration would bury them.
  if (av_log_get_level() == AV_LOG_INFO) av_log_set_level(AV_LOG_FATAL);
  // A picture's name is a name, never a numbered-sequence pattern ("shot%d.png").
  AVDictionary *options = nullptr;
  av_dict_set(&options, "pattern_type", "none", 0);
  // A local file's name, never a protocol's: "2024-05-01T10:30:00.mp4" has a colon.
  int result = avformat_open_input(format, ("file:" + path).c_str(), nullptr, &options);
  av_dict_free(&options);
  if (result < 0) {
    *error = "cannot read '" + path + "': " + AvErrorText(result);
    return false;
  }
  result = avformat_find_stream_info(*format, nullptr);
  if (result < 0) {
    avformat_close_input(format);
    *error = "cannot read the streams of '" + path + "': " + AvErrorText(result);
    return false;
  }
  return true;
}

DecodingInput::~DecodingInput() {
  av_packet_free(&packet_);
  avcodec_free_context(&codec_);
  avformat_close_input(&format_);
}

bool DecodingInput::Open(const std::string &path, AVMediaType type, std::string *error, bool strict) {
  path_ = path;
  if (!OpenContainer(path, &format_, error)) return false;
  const AVCodec *decoder = nullptr;
  int index = av_find_best_stream(format_, type, -1, -1, &decoder, 0);
  if (index < 0) {
    *error = "'" + path + "' has no " + (type == AVMEDIA_TYPE_VIDEO ? "picture" : "sound") +
             (index == AVERROR_DECODER_NOT_FOUND ? " that FFmpeg can decode" : "");
    return false;
  }
  stream_ = format_->streams[index];
  for (unsigned i = 0; i < format_->nb_streams; ++i)
    if (static_cast<int>(i) != index) format_->streams[i]->discard = AVDISCARD_ALL;
  codec_ = avcodec_alloc_context3(decoder);
  packet_ = av_packet_alloc();
  int result = codec_ && packet_ ? avcodec_parameters_to_context(codec_, stream_->codecpar) : AVERROR(ENOMEM);
  if (strict && codec_) {
    codec_->err_recognition |= AV_EF_EXPLODE | AV_EF_CRCCHECK | AV_EF_BITSTREAM;
    // A picture whose data ends early (a PNG's rows missing) is damaged too.
    codec_->discard_damaged_percentage = 0;
  }
  // A video decodes on as many threads as the machine has, as FFmpeg's own tools do;
  // a single picture gains nothing from them.
  if (!strict && codec_) codec_->thread_count = 0;
  strict_ = strict;
  if (result >= 0) result = avcodec_open2(codec_, decoder, nullptr);
  if (result < 0) {
    *error = "cannot decode '" + path + "' (" + decoder->name + "): " + AvErrorText(result);
    return false;
  }
  return true;
}

bool DecodingInput::Next(AVFrame *frame, std::string *error) {
  for (;;) {
    int result = avcodec_receive_frame(codec_, frame);
    if (result >= 0) return true;
    if (result == AVERROR_EOF) return false;
    if (result != AVERROR(EAGAIN)) {
      *error = "cannot decode '" + path_ + "': " + AvErrorText(result);
      return false;
    }
    if (draining_) return false;
    result = av_read_frame(format_, packet_);
    if (result == AVERROR_EOF) {
      draining_ = true;
      avcodec_send_packet(codec_, nullptr);  // hand out the frames the decoder holds back
      continue;
    }
    if (result < 0) {
      *error = "cannot read '" + path_ + "': " + AvErrorText(result);
      return false;
    }
    if (packet_->stream_index == stream_->index) {
      result = avcodec_send_packet(codec_, packet_);
      if (result < 0 && result != AVERROR(EAGAIN) && (result != AVERROR_INVALIDDATA || strict_)) {
        av_packet_unref(packet_);
        *error = "cannot decode '" + path_ + "': " + AvErrorText(result);
        return false;
      }
    }
    av_packet_unref(packet_);
  }
}

bool PictureToPackedDib(const AVFrame *frame, std::vector<BYTE> *dib, std::string *error, LONG width,
                        LONG height) {
  return DibConverter().Convert(frame, dib, error, width, height);
}

}  // namespace qvhost
