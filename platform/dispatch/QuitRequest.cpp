#include "platform/dispatch/QuitRequest.h"

#include <signal.h>
#include <time.h>

#include <atomic>
#include <cstdint>

namespace platform::dispatch {
namespace {

// Written from a signal handler: a lock-free atomic is all that may be touched there, and the time
// is read with clock_gettime, which a handler may call.
std::atomic<int> firstSignal{0};
std::atomic<std::int64_t> firstSignalAt{0};
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<std::int64_t>::is_always_lock_free);

// The steady clock's time (CLOCK_MONOTONIC, as std::chrono::steady_clock's) in nanoseconds.
std::int64_t steadyNanoseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

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

void QuitRequest::request(int signal) { requestAt(signal, steadyNanoseconds()); }

void QuitRequest::requestAt(int signal, std::int64_t steadyNanoseconds) {
  // The time first: whoever sees the signal sees when it came.
  std::int64_t noTime = 0;
  firstSignalAt.compare_exchange_strong(noTime, steadyNanoseconds, std::memory_order_acq_rel);
  int none = 0;
  firstSignal.compare_exchange_strong(none, signal, std::memory_order_acq_rel);
}

std::int64_t QuitRequest::requestedAtNanoseconds() { return firstSignalAt.load(std::memory_order_acquire); }

void QuitRequest::resetForTesting() {
  firstSignal.store(0, std::memory_order_release);
  firstSignalAt.store(0, std::memory_order_release);
}

}  // namespace platform::dispatch
