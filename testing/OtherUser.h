#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace ostrel::testing {

// The unprivileged user "nobody", for a test that needs a file the program's user may not open: root
// may open any file, so a suite that runs as root starts the program as nobody instead, with the
// folders it keeps its files in handed over. Where the suite cannot switch users (it does not run as
// root), a test that needs a second user skips with kWhyNot.
class OtherUser {
 public:
  static constexpr const char* kWhyNot =
      "needs a second user (a file ostrel's user may not open): run the suite as root to play ostrel as nobody";

  // Whether this suite can start programs as nobody.
  [[nodiscard]] static bool available();
  // Whether root's permissions bypass a file's mode here, so that a mode alone keeps nothing from the
  // suite's own programs: they must run as nobody for that.
  [[nodiscard]] static bool suiteBypassesModes();
  // What goes before a command to start it as nobody; empty when that is not available.
  [[nodiscard]] static std::vector<std::string> commandPrefix();
  // Hands `folder` and everything below it to nobody, and lets nobody pass through the folders above it
  // from `passableFrom` (a scratch folder of the test's) on. False when something could not be handed over.
  static bool handOver(const std::string& folder, const std::string& passableFrom);
  // Whether nobody can pass through every folder on the way to `path`: a test skips where it cannot
  // (a scratch folder below a private home, say).
  [[nodiscard]] static bool canReach(const std::string& path);
  static uid_t uid();
  static gid_t gid();
};

}  // namespace ostrel::testing
