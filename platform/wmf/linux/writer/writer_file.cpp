// ASF output through libavformat.
#include "writer_file.h"

#include <cstdio>

#include "asf_header.h"
#include "file_path.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace wmf {

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
    return NS_E_FILE_OPEN_FAILED;
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
  if (error < 0) return ResultOfAv(error);
  headerWritten_ = true;
  return S_OK;
}

HRESULT AsfFile::Write(AVPacket *packet) {
  if (!headerWritten_) return E_UNEXPECTED;
  return ResultOfAv(av_interleaved_write_frame(context_, packet));
}

HRESULT AsfFile::Flush() {
  if (!headerWritten_) return E_UNEXPECTED;
  avio_flush(context_->pb);
  return ResultOfAv(context_->pb->error);
}

HRESULT AsfFile::Finish() {
  if (!headerWritten_) return E_UNEXPECTED;
  int error = av_write_trailer(context_);
  if (error >= 0 && context_->pb->error < 0) error = context_->pb->error;
  Close();
  // The muxer ends the play duration at the last packet's millisecond: 50 frames at
  // 30 per second would then count as 49.
  if (error >= 0 && end_ > 0 && !WriteAsfDuration(path_, static_cast<uint64_t>(end_))) return E_FAIL;
  return ResultOfAv(error);
}

void AsfFile::Close() {
  avio_closep(&context_->pb);
  avformat_free_context(context_);
  context_ = nullptr;
  headerWritten_ = false;
}

}  // namespace wmf
