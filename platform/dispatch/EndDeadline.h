#pragma once

#include <chrono>

namespace platform::dispatch {

// The process end's one deadline. It starts with the first request to quit (the signal's own time)
// or, when nothing asked, as the end begins; every wait of the end is over by it, whatever it waits
// for and wherever it began: a headless run letting background work settle, a component waiting for
// its worker or for an upload's answer, the drain of queued work and the answers that came. The
// main loop's waits look at it as they go, so a wait begun before the signal ends on time too.
// What the end does after its waits (writing what is pending, ending threads) fits in the second
// that follows, so the program is gone within eight seconds of being asked.
class EndDeadline {
 public:
  static constexpr double kSeconds = 7;

  // The end begins: the deadline starts now, unless a request to quit started it already.
  static void begin();
  // Where the deadline stands on the steady clock; the latest time there is while none started.
  static std::chrono::steady_clock::time_point at();
  // Seconds until the deadline, at least 0; infinity while none started.
  static double secondsLeft();

  // Tests only: forgets that the end began (a request to quit is QuitRequest's to forget).
  static void resetForTesting();
};

}  // namespace platform::dispatch
