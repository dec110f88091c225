// Any media file FFmpeg reads as the source of an export: its facts and its frames.
#include "media_source.h"

#include <cmath>

#include "decoding_input.h"
#include "dib_converter.h"

namespace qvhost {
namespace {

// Frames per 1,000 seconds; 0 when the file names no usable rate.
LONG FrameRateOf(const AVStream *stream) {
  for (AVRational rate : {stream->avg_frame_rate, stream->r_frame_rate}) {
    if (rate.num <= 0 || rate.den <= 0) continue;
    double perThousand = av_q2d(rate) * 1000;
    if (perThousand >= 1 && perThousand <= 1000000) return static_cast<LONG>(std::lround(perThousand));
  }
  return 0;
}

class FfmpegMediaSource : public MediaSource {
 public:
  bool Open(const std::string &path, std::string *error) {
    AVFormatContext *format = nullptr;
    if (!OpenContainer(path, &format, error)) return false;
    int audio = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    int video = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video >= 0) {
      // Cover art attached to a sound file is no video.
      const AVStream *stream = format->streams[video];
      facts_.hasVideo = !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC);
      facts_.width = stream->codecpar->width;
      facts_.height = stream->codecpar->height;
      facts_.frameRate = FrameRateOf(stream);
    }
    // The record announces the frame count before the first frame: count the packets,
    // which is reading without decoding. A sound stream counts only when it holds
    // packets: a video-only export still declares the profile's sound stream.
    AVPacket *packet = av_packet_alloc();
    while (packet && av_read_frame(format, packet) >= 0) {
      // Packets an edit list cuts away decode to no frame.
      bool shown = !(packet->flags & AV_PKT_FLAG_DISCARD);
      if (packet->stream_index == video && shown && facts_.frameCount < 0x7FFFFFFF) ++facts_.frameCount;
      if (packet->stream_index == audio && packet->size > 0) facts_.hasAudio = true;
      av_packet_unref(packet);
      if (video < 0 && facts_.hasAudio) break;  // sound alone: nothing to count
    }
    av_packet_free(&packet);
    avformat_close_input(&format);
    if (!facts_.hasVideo && !facts_.hasAudio) {
      *error = "'" + path + "' has neither video nor sound that FFmpeg reads";
      return false;
    }
    return !facts_.hasVideo || frames_.Open(path, AVMEDIA_TYPE_VIDEO, error);
  }

  const Facts &facts() const override { return facts_; }

  const std::vector<BYTE> *NextFrame(std::string *error) override {
    std::string failure;
    if (!ended_) {
      bool decoded = frame_ && frames_.Next(frame_, &failure);
      // Every frame takes the first one's size, which the export announced.
      if (decoded) decoded = converter_.Convert(frame_, &last_, &failure, width_, height_);
      if (decoded && width_ == 0) width_ = frame_->width, height_ = frame_->height;
      if (frame_) av_frame_unref(frame_);
      ended_ = !decoded;
    }
    if (!failure.empty() || last_.empty()) {
      *error = failure.empty() ? "the video holds no frame that can be decoded" : failure;
      return nullptr;
    }
    return &last_;
  }

  ~FfmpegMediaSource() override { av_frame_free(&frame_); }

 private:
  Facts facts_;
  DecodingInput frames_;
  DibConverter converter_;
  AVFrame *frame_ = av_frame_alloc();
  std::vector<BYTE> last_;
  bool ended_ = false;
  LONG width_ = 0, height_ = 0;
};

}  // namespace

std::unique_ptr<MediaSource> MediaSource::Open(const std::string &path, std::string *error) {
  auto source = std::make_unique<FfmpegMediaSource>();
  if (!source->Open(path, error)) return nullptr;
  return source;
}

}  // namespace qvhost
