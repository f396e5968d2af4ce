#pragma once

#include <string>

namespace app::storage {

// A file of the user's that cannot be read is never reset in place: it is kept beside the new one, so
// that nothing in it is lost for good.
class DamagedFile {
 public:
  // Renames `path` to "<path>.damaged-<UTC date and time>" (with "-2", "-3", ... when that name is
  // taken), together with the SQLite journal beside it; returns the kept path, empty when the file
  // could not be moved (it is then left where it is).
  static std::string keepAside(const std::string& path);
};

}  // namespace app::storage

