// The signal handler only records the signal: nothing else is safe inside one.
#include "interrupt_watch.h"

#include <csignal>

namespace qvhost {

namespace {

volatile std::sig_atomic_t arrived = 0;

extern "C" void RecordSignal(int number) {
  if (!arrived) arrived = number;
}

using Handler = void (*)(int);

// The signals watched; SIGHUP where the system has it.
const int kWatched[] = {SIGINT, SIGTERM,
#ifdef SIGHUP
                        SIGHUP
#endif
};
constexpr int kCount = sizeof kWatched / sizeof kWatched[0];
Handler previous[kCount];

}  // namespace

InterruptWatch::InterruptWatch() {
  arrived = 0;
  for (int i = 0; i < kCount; ++i) {
    previous[i] = std::signal(kWatched[i], RecordSignal);
#ifdef SIGHUP
    if (kWatched[i] == SIGHUP && previous[i] == SIG_IGN) std::signal(SIGHUP, SIG_IGN);
#endif
  }
}

InterruptWatch::~InterruptWatch() {
  for (int i = 0; i < kCount; ++i) std::signal(kWatched[i], previous[i] == SIG_ERR ? SIG_DFL : previous[i]);
}

int InterruptWatch::signal() const { return arrived; }

const char *InterruptWatch::Name(int signal) {
#ifdef SIGHUP
  if (signal == SIGHUP) return "SIGHUP";
#endif
  return signal == SIGINT ? "SIGINT" : "SIGTERM";
}

}  // namespace qvhost
