/* Ctrl-C (SIGINT), SIGTERM and SIGHUP during a long command. While a watch lives,
 * each only sets a flag, which the command's loop checks between steps, so that it
 * can end its work properly instead of dying half way through a file. A hangup that
 * the process was told to ignore (nohup) stays ignored. */
#ifndef QV_HOST_INTERRUPT_WATCH_H
#define QV_HOST_INTERRUPT_WATCH_H

namespace qvhost {

class InterruptWatch {
 public:
  InterruptWatch();   // takes over the signals
  ~InterruptWatch();  // gives them back to the handlers from before
  InterruptWatch(const InterruptWatch &) = delete;
  InterruptWatch &operator=(const InterruptWatch &) = delete;

  /* The signal that arrived first; 0 while none has. */
  int signal() const;

  /* The exit status a shell gives a program that a signal ended: 128 + its number
   * (130 for SIGINT). */
  static int ExitStatus(int signal) { return 128 + signal; }

  /* "SIGINT", "SIGTERM" or "SIGHUP". */
  static const char *Name(int signal);
};

}  // namespace qvhost

#endif
