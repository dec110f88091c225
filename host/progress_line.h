/* The progress of long work, for qvhost and paktool. */
#ifndef QV_HOST_PROGRESS_LINE_H
#define QV_HOST_PROGRESS_LINE_H

#include <chrono>
#include <cstdio>
#include <string>

namespace qvhost {

/* One line, "label: done/total unit (pp%), rate, time left", rewritten in place on a
 * terminal once the work has lasted longer than a moment, and ended with the time it
 * took. Off a terminal (a pipe, a file) and when quiet it prints nothing, so that a
 * script reads results and errors only. */
class ProgressLine {
 public:
  enum class Unit { kFrames, kBytes };

  ProgressLine(FILE *stream, std::string label, Unit unit = Unit::kFrames, bool quiet = false);
  ~ProgressLine();  // calls Finish() if it has not run
  void Update(long long done, long long total);
  /* Ends the line (with a newline) if one was shown, so later messages start afresh. */
  void Finish();

 private:
  std::string Amount(long long count) const;
  void Draw(const std::string &text);

  FILE *stream_;
  std::string label_;
  Unit unit_;
  bool enabled_;
  bool finished_ = false;
  bool drawn_ = false;
  size_t drawnWidth_ = 0;
  long long done_ = 0;
  long long total_ = 0;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_;
};

/* True when `stream` is an interactive terminal. */
bool IsTerminal(FILE *stream);

}  // namespace qvhost

#endif
