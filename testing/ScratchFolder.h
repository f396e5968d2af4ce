#pragma once

#include <string>

namespace ostrel::testing {

// A fresh, empty temporary folder for one test, deleted with everything written into it when the
// object goes. The preferences this process keeps for files in it go first, with whatever they have not
// saved, so no later save (the exit's, or one a queue of the test still runs) makes the folder again.
// Every test that needs a folder of its own makes it this way.
class ScratchFolder {
 public:
  // `prefix` names the folder under the system's temporary folder ("ostrel-test-XXXXXX").
  explicit ScratchFolder(const std::string& prefix = "ostrel-test");
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }
  // `relative` below the folder.
  std::string pathFor(const std::string& relative) const { return path_ + "/" + relative; }
  std::string operator/(const std::string& relative) const { return pathFor(relative); }

 private:
  std::string path_;
};

}  // namespace ostrel::testing
