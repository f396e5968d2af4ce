#pragma once

namespace ostrel::testing {

// How many times a test that repeats a costly step (a child process killed at a random moment) runs
// it: `everyday` on every build, `thorough` when OSTREL_THOROUGH is set to anything but "0" (as a
// nightly run does; `scripts/test --stress` repeats whole programs instead). The everyday count keeps each kind of moment the
// test aims at covered at least a few times, so a fault that shows on every such moment still fails
// every run; the thorough one is for faults that need an unlucky moment to show.
int repeatCount(int everyday, int thorough);

}  // namespace ostrel::testing
