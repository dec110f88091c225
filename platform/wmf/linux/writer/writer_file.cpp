// ASF output through libavformat.
#include "writer_file.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "asf_header.h"
#include "file_path.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace wmf {

namespace {
constexpr long long kNone = LLONG_MIN;
// How far, in milliseconds, streams may be apart: the platform writer's default sync
// tolerance, and within the preroll that players buffer.
constexpr long long kSyncTolerance = 3000;

// A failure of the file itself (a full disk, a file size limit) leaves its system
// error as the thread's last error, where the host can read it, as the platform's
// runtime does; the HRESULT alone cannot say it.
HRESULT FileFailure(int error, HRESULT result) {
  if (error < 0 && AVUNERROR(error) > 0 && AVUNERROR(error) < 4096) SetLastError(Win32ErrorFromErrno(AVUNERROR(error)));
  return result;
}

}  // namespace

HRESULT ResultOfAv(int error) {
  if (error >= 0) return S_OK;
  if (error == AVERROR(ENOMEM)) return E_OUTOFMEMORY;
  if (error == AVERROR(EINVAL)) return E_INVALIDARG;
  return E_FAIL;
}

AsfFile::~AsfFile() {
  if (!context_) return;
  Close();
  std::remove(path_.c_str());
}

HRESULT AsfFile::Create(const std::string &path) {
  if (context_) return E_UNEXPECTED;
  int error = avformat_alloc_output_context2(&context_, nullptr, "asf", nullptr);
  if (error < 0 || !context_) return ResultOfAv(error < 0 ? error : AVERROR(ENOMEM));
  error = avio_open(&context_->pb, FfmpegFileName(path).c_str(), AVIO_FLAG_WRITE);
  if (error < 0) {
    avformat_free_context(context_);
    context_ = nullptr;
    return FileFailure(error, NS_E_FILE_OPEN_FAILED);
  }
  path_ = path;
  return S_OK;
}

AVStream *AsfFile::AddStream() { return context_ ? avformat_new_stream(context_, nullptr) : nullptr; }

HRESULT AsfFile::WriteHeader() {
  if (!context_ || headerWritten_) return E_UNEXPECTED;
  // The audio encoder's first packet lies before 0 (its priming). ASF stores times
  // after a preroll, so they may stay negative; shifting every stream instead would
  // move the video off its frame times.
  context_->avoid_negative_ts = AVFMT_AVOID_NEG_TS_DISABLED;
  int error = avformat_write_header(context_, nullptr);
  if (error < 0) return FileFailure(error, ResultOfAv(error));
  headerWritten_ = true;
  latest_.assign(context_->nb_streams, kNone);
  newest_ = written_ = kNone;
  return S_OK;
}

HRESULT AsfFile::Write(AVPacket *packet) {
  if (!headerWritten_) return E_UNEXPECTED;
  const unsigned index = static_cast<unsigned>(packet->stream_index);
  if (index >= context_->nb_streams) return E_INVALIDARG;
  const int64_t stamp = packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
  if (stamp == AV_NOPTS_VALUE) return E_INVALIDARG;
  const long long time = av_rescale_q(stamp, context_->streams[index]->time_base, AVRational{1, 1000});
  latest_[index] = std::max(latest_[index], time);
  newest_ = std::max(newest_, time);
  // The muxer cannot take a time earlier than one it has written.
  if (time < written_) {
    av_packet_unref(packet);
    return WriteHeld(false);
  }
  Held held{av_packet_alloc(), time};
  if (!held.packet) return E_OUTOFMEMORY;
  av_packet_move_ref(held.packet, packet);
  // After every packet of the same time, so that each stream keeps its own order.
  auto at = std::upper_bound(held_.begin(), held_.end(), time,
                             [](long long t, const Held &other) { return t < other.time; });
  held_.insert(at, held);
  return WriteHeld(false);
}

HRESULT AsfFile::WriteHeld(bool all) {
  while (!held_.empty()) {
    Held first = held_.front();
    const bool earlierMayCome = std::any_of(latest_.begin(), latest_.end(), [&](long long latest) {
      return latest == kNone || latest < first.time;
    });
    if (!all && earlierMayCome && first.time + kSyncTolerance >= newest_) return S_OK;
    held_.pop_front();
    written_ = first.time;
    // The muxer reports a failed write (a full disk) through its result.
    int error = av_write_frame(context_, first.packet);
    av_packet_free(&first.packet);
    if (error < 0) return FileFailure(error, ResultOfAv(error));
  }
  return S_OK;
}

HRESULT AsfFile::Flush() {
  if (!headerWritten_) return E_UNEXPECTED;
  avio_flush(context_->pb);
  return FileFailure(context_->pb->error, ResultOfAv(context_->pb->error));
}

HRESULT AsfFile::Finish() {
  if (!headerWritten_) return E_UNEXPECTED;
  HRESULT hr = WriteHeld(true);
  int error = av_write_trailer(context_);
  if (error >= 0 && context_->pb->error < 0) error = context_->pb->error;
  Close();
  if (SUCCEEDED(hr)) hr = ResultOfAv(error);
  // The muxer ends the play duration at the last packet's millisecond: 50 frames at
  // 30 per second would then count as 49.
  if (SUCCEEDED(hr) && end_ > 0 && !WriteAsfDuration(path_, static_cast<uint64_t>(end_))) return E_FAIL;
  return error < 0 ? FileFailure(error, hr) : hr;
}

void AsfFile::Close() {
  for (Held &held : held_) av_packet_free(&held.packet);
  held_.clear();
  latest_.clear();
  avio_closep(&context_->pb);
  avformat_free_context(context_);
  context_ = nullptr;
  headerWritten_ = false;
}

}  // namespace wmf
