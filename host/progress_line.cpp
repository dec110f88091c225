// A progress line for long commands.
#include "progress_line.h"

#include <unistd.h>

namespace qvhost {
namespace {

using Clock = std::chrono::steady_clock;

// Work shorter than this shows no line at all; later, the line changes at most this often.
constexpr double kFirstDrawSeconds = 0.5;
constexpr double kRedrawSeconds = 0.2;

double SecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

// "0:42", "1:02:03".
std::string Duration(double seconds) {
  long whole = static_cast<long>(seconds + 0.5);
  char text[32];
  if (whole >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
  return text;
}

}  // namespace

bool IsTerminal(FILE *stream) { return isatty(fileno(stream)) != 0; }

ProgressLine::ProgressLine(FILE *stream, std::string label, Unit unit, bool quiet)
    : stream_(stream), label_(std::move(label)), unit_(unit), enabled_(!quiet && IsTerminal(stream)),
      start_(Clock::now()), lastDraw_(start_) {}

ProgressLine::~ProgressLine() { Finish(); }

std::string ProgressLine::Amount(long long count) const {
  char text[32];
  if (unit_ == Unit::kBytes)
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(count) / 1e6);
  else
    std::snprintf(text, sizeof text, "%lld", count);
  return text;
}

void ProgressLine::Update(long long done, long long total) {
  done_ = done;
  total_ = total;
  if (!enabled_ || finished_) return;
  Clock::time_point now = Clock::now();
  double elapsed = SecondsBetween(start_, now);
  if (elapsed < kFirstDrawSeconds || (drawn_ && SecondsBetween(lastDraw_, now) < kRedrawSeconds)) return;
  lastDraw_ = now;
  const char *unit = unit_ == Unit::kBytes ? "MB" : "frames";
  double rate = static_cast<double>(done) / elapsed;  // per second
  char text[160];
  int length = std::snprintf(text, sizeof text, "%s: %s", label_.c_str(), Amount(done).c_str());
  if (total > 0)
    length += std::snprintf(text + length, sizeof text - length, "/%s %s (%d%%)", Amount(total).c_str(), unit,
                            static_cast<int>(done * 100 / total));
  else
    length += std::snprintf(text + length, sizeof text - length, " %s", unit);
  std::snprintf(text + length, sizeof text - length, ", %.1f %s/s", unit_ == Unit::kBytes ? rate / 1e6 : rate, unit);
  std::string line = text;
  if (total > 0 && rate > 0 && done < total) line += ", " + Duration(static_cast<double>(total - done) / rate) + " left";
  Draw(line);
}

void ProgressLine::Draw(const std::string &text) {
  // Blanks over what a longer line before left, rather than a terminal's erase code.
  size_t width = text.size();
  std::fprintf(stream_, "\r%s%*s", text.c_str(), static_cast<int>(drawnWidth_ > width ? drawnWidth_ - width : 0), "");
  std::fflush(stream_);
  drawn_ = true;
  drawnWidth_ = width;
}

void ProgressLine::Finish() {
  if (finished_) return;
  finished_ = true;
  if (!drawn_) return;  // quick work, a pipe or --quiet: nothing was shown
  double elapsed = SecondsBetween(start_, Clock::now());
  const char *unit = unit_ == Unit::kBytes ? "MB" : "frames";
  std::string text = label_ + ": " + Amount(done_);
  if (total_ > 0 && done_ != total_) text += "/" + Amount(total_);
  char tail[96];
  double rate = elapsed > 0 ? static_cast<double>(done_) / elapsed : 0;
  if (elapsed < 60)
    std::snprintf(tail, sizeof tail, " %s in %.1f s, %.1f %s/s", unit, elapsed, unit_ == Unit::kBytes ? rate / 1e6 : rate,
                  unit);
  else
    std::snprintf(tail, sizeof tail, " %s in %s, %.1f %s/s", unit, Duration(elapsed).c_str(),
                  unit_ == Unit::kBytes ? rate / 1e6 : rate, unit);
  Draw(text + tail);
  std::fputc('\n', stream_);
  std::fflush(stream_);
}

}  // namespace qvhost
