// The reader's demuxer over FFmpeg's ASF demuxer (see reader_demuxer.h).
#include "reader_demuxer.h"

#include <algorithm>
#include <mutex>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include "file_path.h"

namespace wmf {

namespace {

constexpr AVRational kUnits = {1, 10000000};
constexpr int kMaxReadErrors = 64;

int Interrupted(void *cancel) { return static_cast<const std::atomic<bool> *>(cancel)->load() ? 1 : 0; }

void QuietLibraries() {
  static std::once_flag once;
  // The runtime reports through results, not on the console: damaged files would
  // otherwise fill the host's stderr.
  std::call_once(once, [] {
    if (av_log_get_level() == AV_LOG_INFO) av_log_set_level(AV_LOG_FATAL);
  });
}

}  // namespace

ReaderDemuxer::~ReaderDemuxer() { avformat_close_input(&format_); }

HRESULT ReaderDemuxer::Open(const std::string &path, const std::atomic<bool> *cancel, bool headerOnly) {
  QuietLibraries();
  format_ = avformat_alloc_context();
  if (!format_) return E_OUTOFMEMORY;
  format_->interrupt_callback.callback = Interrupted;
  format_->interrupt_callback.opaque = const_cast<std::atomic<bool> *>(cancel);
  // Only ASF files are media files of this runtime, whatever FFmpeg could open.
  const AVInputFormat *asf = av_find_input_format("asf");
  if (avformat_open_input(&format_, FfmpegFileName(path).c_str(), asf, nullptr) < 0) {
    format_ = nullptr;  // freed by the failed open
    return NS_E_INVALID_DATA;
  }
  if (cancel->load()) return E_ABORT;
  if (headerOnly) return S_OK;
  avformat_find_stream_info(format_, nullptr);  // the header alone also serves
  if (cancel->load()) return E_ABORT;
  return S_OK;
}

AVStream *ReaderDemuxer::Stream(int index) const { return format_->streams[index]; }

unsigned ReaderDemuxer::StreamCount() const { return format_->nb_streams; }

// ASF stores one time per packet: when its picture is shown. FFmpeg hands it over for
// some codecs (VC-1, MPEG-4) as the decoding time only, and the decoder's own guess of
// the showing time from it is a frame late.
void PresentAtStoredTime(AVPacket *packet) {
  if (packet->pts == AV_NOPTS_VALUE) packet->pts = packet->dts;
}

bool ReaderDemuxer::Read(AVPacket *packet) {
  int errors = 0;
  for (;;) {
    const int rc = av_read_frame(format_, packet);
    if (rc >= 0) {
      PresentAtStoredTime(packet);
      return true;
    }
    if (rc == AVERROR_EOF || rc == AVERROR_EXIT || avio_feof(format_->pb) || ++errors > kMaxReadErrors) return false;
  }
}

QWORD ReaderDemuxer::KnownEnd() const {
  QWORD duration = 0;
  if (format_->duration != AV_NOPTS_VALUE && format_->duration > 0) {
    // An audio encoder's priming may put the first packets before time 0, and those
    // are trimmed from what the outputs deliver: it does not lengthen the file.
    int64_t end = format_->duration;
    if (format_->start_time != AV_NOPTS_VALUE) end += format_->start_time;
    duration = end > 0 ? static_cast<QWORD>(av_rescale_q(end, AV_TIME_BASE_Q, kUnits)) : 0;
  } else {
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
      const AVStream *stream = format_->streams[i];
      if (stream->duration == AV_NOPTS_VALUE || stream->duration <= 0) continue;
      const QWORD length = static_cast<QWORD>(av_rescale_q(stream->duration, stream->time_base, kUnits));
      if (length > duration) duration = length;
    }
  }
  return duration;
}

QWORD ReaderDemuxer::ReadToEnd(AVPacket *packet) {
  int64_t end = 0;
  while (av_read_frame(format_, packet) >= 0) {
    if (packet->pts != AV_NOPTS_VALUE && packet->stream_index >= 0 &&
        static_cast<unsigned>(packet->stream_index) < format_->nb_streams) {
      const AVRational base = format_->streams[packet->stream_index]->time_base;
      const int64_t last = av_rescale_q(packet->pts + std::max<int64_t>(packet->duration, 0), base, kUnits);
      end = std::max(end, last);
    }
    av_packet_unref(packet);
  }
  return static_cast<QWORD>(end);
}

bool ReaderDemuxer::SeekBack(int stream, int64_t streamTime) {
  if (av_seek_frame(format_, stream, streamTime, AVSEEK_FLAG_BACKWARD) >= 0) return true;
  // Before the first indexed frame, or no index: from the start of the data.
  return av_seek_frame(format_, stream, INT64_MIN, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) >= 0 ||
         avformat_seek_file(format_, -1, INT64_MIN, INT64_MIN, INT64_MIN, 0) >= 0;
}

}  // namespace wmf
