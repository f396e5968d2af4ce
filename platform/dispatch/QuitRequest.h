#pragma once

#include <cstdint>

namespace platform::dispatch {

// A request from outside to end the program (SIGTERM from a supervisor or a desktop's log-out, SIGINT
// from a terminal's Ctrl-C). Left to their default action these signals end the process where it
// stands, on whatever thread they land, and the last writes are lost; caught here, they are only noted,
// and the program looks at the note where it can end in order (the window between frames, the script
// runner between steps) and then goes through ProcessEnd.
//
// Requests after the first change nothing: the end already under way is bounded in time, and cutting
// it short would lose what it is writing. SIGKILL still ends a process that is stuck.
class QuitRequest {
 public:
  // From here on SIGTERM and SIGINT are noted instead of ending the process. Called first thing, before
  // any thread or library could install handlers of its own (the desktop library does when it finds
  // the default ones). Programs that run what they start through exec get the default handlers back.
  static void catchSignals();

  // The signal of the first request, 0 while none came.
  static int signal();
  static bool pending() { return signal() != 0; }
  // "SIGTERM", "SIGINT" or "a signal", for messages.
  static const char* signalName(int signal);

  // Notes a request as a signal would (what a caught signal does; tests call it directly).
  static void request(int signal);
  // The same, as if it had come at `steadyNanoseconds` of the steady clock (tests: one long ago).
  static void requestAt(int signal, std::int64_t steadyNanoseconds);
  // When the first request came, in nanoseconds of the steady clock; 0 while none came. The end's
  // one deadline runs from it (EndDeadline).
  static std::int64_t requestedAtNanoseconds();

  // Tests only: forgets the request, so a test can make another.
  static void resetForTesting();
};

}  // namespace platform::dispatch
