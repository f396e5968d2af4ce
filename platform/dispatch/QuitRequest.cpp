#include "platform/dispatch/QuitRequest.h"

#include <signal.h>

#include <atomic>

namespace platform::dispatch {
namespace {

// Written from a signal handler: a lock-free atomic is all that may be touched there.
std::atomic<int> firstSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

void noteSignal(int signal) { QuitRequest::request(signal); }

}  // namespace

void QuitRequest::catchSignals() {
  struct sigaction action {};
  action.sa_handler = noteSignal;
  sigemptyset(&action.sa_mask);
  // Calls interrupted on the thread that takes the signal resume; the note is looked at in between.
  action.sa_flags = SA_RESTART;
  for (int caught : {SIGTERM, SIGINT}) ::sigaction(caught, &action, nullptr);
}

int QuitRequest::signal() { return firstSignal.load(std::memory_order_acquire); }

const char* QuitRequest::signalName(int signal) {
  switch (signal) {
    case SIGTERM: return "SIGTERM";
    case SIGINT: return "SIGINT";
    default: return "a signal";
  }
}

void QuitRequest::request(int signal) {
  int none = 0;
  firstSignal.compare_exchange_strong(none, signal, std::memory_order_acq_rel);
}

void QuitRequest::resetForTesting() { firstSignal.store(0, std::memory_order_release); }

}  // namespace platform::dispatch
