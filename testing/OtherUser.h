#pragma once

#include <string>
#include <vector>

namespace ostrel::testing {

// The unprivileged user "nobody", for a test that needs a file the program under test may not open or
// write. Only root can start a program as another user, and only a program and folders that user can
// reach: a scratch folder under a TMPDIR inside a folder closed to others (mode 700) cannot be handed
// to it. Such a test skips, with the reason.
class OtherUser {
 public:
  // Why a program cannot be run as nobody here, reaching every path of `reached` (a program to run, a
  // folder to pass through), as one line for a skipped test; empty when it can.
  static std::string unavailableReason(const std::vector<std::string>& reached);
  // What goes before a command to run it as nobody; `tree`, a folder and all in it, is handed to nobody
  // first, and the folder holding it is opened for nobody to pass through.
  static std::vector<std::string> commandHanding(const std::string& tree);
};

}  // namespace ostrel::testing
