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
Handler previous_interrupt = SIG_DFL;
Handler previous_terminate = SIG_DFL;

}  // namespace

InterruptWatch::InterruptWatch() {
  arrived = 0;
  previous_interrupt = std::signal(SIGINT, RecordSignal);
  previous_terminate = std::signal(SIGTERM, RecordSignal);
}

InterruptWatch::~InterruptWatch() {
  std::signal(SIGINT, previous_interrupt == SIG_ERR ? SIG_DFL : previous_interrupt);
  std::signal(SIGTERM, previous_terminate == SIG_ERR ? SIG_DFL : previous_terminate);
}

int InterruptWatch::signal() const { return arrived; }

const char *InterruptWatch::Name(int signal) { return signal == SIGINT ? "SIGINT" : "SIGTERM"; }

}  // namespace qvhost
