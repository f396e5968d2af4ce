#pragma once

#include <string>

#include "testing/ScratchFolder.h"

namespace ostrel::testing {

// A fresh, empty app container for one test: a new temporary folder that Paths points at for the
// object's lifetime. The destructor puts back the root that was set before and deletes the folder
// with everything written into it, unsaved preferences too (see ScratchFolder). Containers nest;
// destroy them in reverse order of making.
class TempContainer {
 public:
  TempContainer();
  ~TempContainer();
  TempContainer(const TempContainer&) = delete;
  TempContainer& operator=(const TempContainer&) = delete;

  const std::string& path() const { return folder_.path(); }
  // `relative` below the container's root.
  std::string pathFor(const std::string& relative) const { return folder_.pathFor(relative); }

 private:
  ScratchFolder folder_;  // made first, deleted last
  std::string previousRoot_;
};

}  // namespace ostrel::testing
