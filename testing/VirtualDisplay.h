#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace ostrel::testing {

// An X server of our own for a test's length: Xvfb picks a free display and tells its number through a
// pipe, so parallel runs never collide. It is stopped, by its id, when the object goes.
class VirtualDisplay {
 public:
  // A screen of `width` x `height` pixels (tall enough for the phone at its own pixels unless asked
  // otherwise); null when Xvfb cannot be started or does not answer within 20 s.
  static std::unique_ptr<VirtualDisplay> start(int width = 1280, int height = 1800);
  // Whether Xvfb is installed at all (a test skips without it).
  static bool available();
  ~VirtualDisplay();
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;

  // ":<number>", for $DISPLAY.
  std::string name;

  // What a program shown here needs in its environment, as (name, value): DISPLAY, and a session bus
  // address that leads nowhere. Without one, the windowing library's bus client launches a bus of its
  // own: it forks the threaded program and allocates before its exec, which can hang the child for
  // ever on an allocator lock another thread held (the parent waits on it too), and the bus it starts
  // outlives the test.
  std::vector<std::pair<std::string, std::string>> environment() const;

 private:
  explicit VirtualDisplay(pid_t pid) : pid_(pid) {}
  pid_t pid_;
};

}  // namespace ostrel::testing
