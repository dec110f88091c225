// The terminal driver: shows the dialog on standard error as a person sees it on
// Windows (caption, texts, the list with its selection, the buttons) and reads the
// user's keys from standard input, a terminal, one at a time: digits and Enter select
// an entry, Enter alone presses OK, Esc presses Cancel at once, end of input or an
// interrupt presses Cancel.
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dialog_driver.h"

namespace {

constexpr char kEscape = 0x1b;
constexpr int kEscapeSequenceMs = 30;  // the rest of an arrow key's bytes arrive within this
constexpr size_t kMaxDigits = 9;
constexpr int kRestoredSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The terminal's own mode, put back by the destructor and, should a signal end the
// process first, by the handler.
struct termios saved_mode;
volatile sig_atomic_t raw_mode_on = 0;
struct sigaction previous_actions[NSIG];

void RestoreAndPassOn(int signal) {
  if (raw_mode_on) tcsetattr(STDIN_FILENO, TCSANOW, &saved_mode);
  raw_mode_on = 0;
  sigaction(signal, &previous_actions[signal], nullptr);
  raise(signal);  // as the process would have taken it; a read it interrupts presses Cancel
}

// Keys one at a time and unechoed while it lives.
class RawMode {
 public:
  RawMode() {
    if (tcgetattr(STDIN_FILENO, &saved_mode) != 0) return;
    for (int signal : kRestoredSignals) {
      struct sigaction action = {};
      action.sa_handler = RestoreAndPassOn;
      sigemptyset(&action.sa_mask);
      action.sa_flags = SA_RESETHAND;  // no SA_RESTART: the read returns and the dialog ends
      sigaction(signal, &action, &previous_actions[signal]);
      if (previous_actions[signal].sa_handler == SIG_IGN) sigaction(signal, &previous_actions[signal], nullptr);
    }
    struct termios raw = saved_mode;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    raw_mode_on = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    installed_ = true;
  }
  ~RawMode() {
    if (!installed_) return;
    if (raw_mode_on) tcsetattr(STDIN_FILENO, TCSANOW, &saved_mode);
    raw_mode_on = 0;
    for (int signal : kRestoredSignals) sigaction(signal, &previous_actions[signal], nullptr);
  }
  RawMode(const RawMode &) = delete;
  RawMode &operator=(const RawMode &) = delete;

 private:
  bool installed_ = false;
};

void PrintIndented(const std::string &text) {
  size_t start = 0;
  do {
    size_t end = text.find('\n', start);
    std::fprintf(stderr, "  %s\n", text.substr(start, end == std::string::npos ? std::string::npos : end - start).c_str());
    start = end == std::string::npos ? std::string::npos : end + 1;
  } while (start != std::string::npos);
}

void Show(const DialogView &view) {
  std::fputc('\n', stderr);
  if (!view.caption.empty()) {
    std::fprintf(stderr, "  %s\n  %s\n", view.caption.c_str(), std::string(view.caption.size(), '=').c_str());
  }
  std::string buttons;
  int buttonRow = 0;
  auto flushButtons = [&]() {
    if (!buttons.empty()) std::fprintf(stderr, "  %s\n", buttons.c_str());
    buttons.clear();
  };
  for (const DialogView::Part &part : view.parts) {
    if (part.kind != DialogView::Kind::kButton || part.row != buttonRow) flushButtons();
    switch (part.kind) {
      case DialogView::Kind::kText:
        PrintIndented(part.text);
        break;
      case DialogView::Kind::kButton:
        buttons += (buttons.empty() ? "[ " : "  [ ") + part.text + " ]";
        buttonRow = part.row;
        break;
      case DialogView::Kind::kList:
        if (view.entries.empty()) std::fputs("    (the list is empty)\n", stderr);
        for (size_t i = 0; i < view.entries.size(); ++i)
          std::fprintf(stderr, "  %c %3zu  %s\n", static_cast<LONG>(i) == view.selection ? '*' : ' ', i,
                       view.entries[i].c_str());
        break;
    }
  }
  flushButtons();
}

void Prompt() {
  std::fputs("Number and Enter select an entry, Enter presses OK, Esc cancels: ", stderr);
  std::fflush(stderr);
}

// True when more bytes arrive right after an Esc: a key that sends a sequence.
bool SequenceFollows() {
  struct pollfd input = {STDIN_FILENO, POLLIN, 0};
  return poll(&input, 1, kEscapeSequenceMs) > 0;
}

void SkipSequence() {
  char c;
  struct pollfd input = {STDIN_FILENO, POLLIN, 0};
  while (poll(&input, 1, kEscapeSequenceMs) > 0 && read(STDIN_FILENO, &c, 1) == 1) {
  }
}

}  // namespace

void PlayDialogOnTerminal(const DialogRun &run) {
  RawMode raw;
  bool redraw = true;
  std::string digits;
  while (!DialogEnded(run)) {
    if (redraw) {
      Show(ViewOf(run));
      Prompt();
      redraw = false;
    }
    char c;
    ssize_t got = read(STDIN_FILENO, &c, 1);
    if (got != 1 || c == 0x04) {  // end of input, Ctrl-D, or an interrupt
      std::fputc('\n', stderr);
      PressCancel(run);
    } else if (c == kEscape) {
      if (SequenceFollows()) {
        SkipSequence();
        continue;
      }
      std::fputc('\n', stderr);
      PressCancel(run);
    } else if (c >= '0' && c <= '9') {
      if (digits.size() >= kMaxDigits) continue;
      digits += c;
      std::fputc(c, stderr);
      std::fflush(stderr);
    } else if ((c == 0x7f || c == '\b') && !digits.empty()) {
      digits.pop_back();
      std::fputs("\b \b", stderr);
      std::fflush(stderr);
    } else if (c == '\r' || c == '\n') {
      std::fputc('\n', stderr);
      if (digits.empty()) {
        PressOk(run);  // the dialog may refuse and stay open
        redraw = true;
        continue;
      }
      long position = std::strtol(digits.c_str(), nullptr, 10);
      digits.clear();
      if (SelectEntry(run, static_cast<LONG>(position))) {
        redraw = true;
      } else {
        std::fprintf(stderr, "There is no entry %ld: the list has %s.\n", position, ListRange(ViewOf(run)).c_str());
        Prompt();
      }
    }
  }
}
