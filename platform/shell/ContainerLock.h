#pragma once

#include <string>

namespace platform::shell {

// As on a phone, one app runs in a container at a time: two processes on one container would each
// register an installation and seed the catalogues over each other. A start holds a write lock on
// "Library/ostrel.lock" in the container for as long as its process lives. The lock is the kernel's
// record lock: it goes with the process however it ends (a killed one leaves nothing stale behind),
// and no child the app starts holds it.
class ContainerLock {
 public:
  static constexpr const char* kRelativePath = "Library/ostrel.lock";

  // Takes the lock of the container at `root` (an existing folder) for this process, until it ends.
  // Empty when taken; otherwise one line for the person: the process that has the container, or why
  // the lock file cannot be used. Nothing in the container is read or written when it is refused.
  [[nodiscard]] static std::string holdForThisProcess(const std::string& root);
};

}  // namespace platform::shell
