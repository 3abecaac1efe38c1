// SIGINT and SIGTERM during a render: the run stops taking frames, lets those
// it has begun land whole, and ends with ExitInterrupted. A second signal ends
// the process at once, as without this watch.
#pragma once

namespace vantorel::cli {

class InterruptionWatch {
 public:
  InterruptionWatch();   // from here on, the two signals are only noted
  ~InterruptionWatch();  // puts back what handled them before
  InterruptionWatch(const InterruptionWatch&) = delete;
  InterruptionWatch& operator=(const InterruptionWatch&) = delete;

  // Whether either signal came since the watch began; safe from any thread.
  static bool Requested();
};

}  // namespace vantorel::cli
