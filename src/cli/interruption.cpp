#include "cli/interruption.h"

#include <signal.h>

#include <atomic>

namespace vantorel::cli {

namespace {

std::atomic<bool> requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

struct sigaction earlierInterrupt {};
struct sigaction earlierTerminate {};

void Note(int) { requested = true; }

void Watch(int signal, struct sigaction& earlier) {
  // A signal ignored from the start (nohup, a background job) stays ignored.
  if (::sigaction(signal, nullptr, &earlier) != 0 || earlier.sa_handler == SIG_IGN) return;
  struct sigaction action {};
  action.sa_handler = Note;
  sigemptyset(&action.sa_mask);
  // Restarted calls keep reads and writes from failing half-way; the handler
  // goes after one signal, so the next one stops the run at once.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  ::sigaction(signal, &action, nullptr);
}

}  // namespace

InterruptionWatch::InterruptionWatch() {
  requested = false;
  Watch(SIGINT, earlierInterrupt);
  Watch(SIGTERM, earlierTerminate);
}

InterruptionWatch::~InterruptionWatch() {
  ::sigaction(SIGINT, &earlierInterrupt, nullptr);
  ::sigaction(SIGTERM, &earlierTerminate, nullptr);
}

bool InterruptionWatch::Requested() { return requested; }

}  // namespace vantorel::cli
