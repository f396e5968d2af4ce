#pragma once

#include <sys/resource.h>

#include <csignal>

namespace ostrel::testing {

// A full disk for the object's lifetime, as the writes of this process (and of the programs it starts
// meanwhile) meet it: every write at or past `bytes` into a file fails (EFBIG, where a full disk gives
// ENOSPC), while smaller files are still written, as on a disk with a little room left. The signal such
// a write sends is ignored meanwhile. Works without privileges, unlike mounting a small file system.
class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(rlim_t bytes);
  ~ScopedFileSizeLimit();
  ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
  ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

 private:
  rlimit previous_{};
  struct sigaction previousAction_ {};
};

}  // namespace ostrel::testing
