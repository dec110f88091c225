// A progress line for long commands.
#include "host.h"

namespace qvhost {

ProgressLine::ProgressLine(FILE *stream, std::string label)
    : stream_(stream), label_(std::move(label)), terminal_(IsTerminal(stream)) {}

ProgressLine::~ProgressLine() { Finish(); }

void ProgressLine::Update(long done, long total) {
  done_ = done;
  total_ = total;
  if (!terminal_ || finished_) return;
  long percent = total > 0 ? (long)((double)done * 100.0 / (double)total) : -1;
  if (percent == shownPercent_ && done != total) return;  // redraw only when it changes
  shownPercent_ = percent;
  if (percent >= 0)
    std::fprintf(stream_, "\r%s: %ld/%ld (%ld%%)", label_.c_str(), done, total, percent);
  else
    std::fprintf(stream_, "\r%s: %ld", label_.c_str(), done);
  std::fflush(stream_);
}

void ProgressLine::Finish() {
  if (finished_) return;
  finished_ = true;
  if (done_ == 0 && total_ == 0) return;  // never updated: nothing to show
  if (total_ > 0)
    std::fprintf(stream_, "%s%s: %ld/%ld\n", terminal_ ? "\r" : "", label_.c_str(), done_, total_);
  else
    std::fprintf(stream_, "%s%s: %ld\n", terminal_ ? "\r" : "", label_.c_str(), done_);
  std::fflush(stream_);
}

}  // namespace qvhost
