#pragma once

#include <string>
#include <vector>

namespace app::storage {

// What SQLite can still read of a damaged catalogue, copied into a new file with the same tables and
// every row under its own id, so that the catalogue's carry-over reads it as it reads any catalogue.
// A table is read in id order; where a read meets damage, the ids it cannot reach are skipped (found
// by seeking further, then back to the first id readable again) and named.
class CatalogueSalvage {
 public:
  struct Result {
    // False when not even the list of tables could be read (or it lists none), or the new file could not
    // be written: nothing is left at the new file's path.
    bool made = false;
    // The new file could not be written (a full disk): nothing is known of what could be read.
    bool notWritten = false;
    // What could not be read, in words for the warning: "Lenses (ids 121 to 180)", "Lenses (from id
    // 121)", "Lenses" (the whole table), or "all of it".
    std::vector<std::string> unread;
    // Why the damaged file cannot be read now, in words ("it is a file the app may not read", "it could
    // not be read now (database is locked)"): what it holds is unknown, not nothing, and nothing was made.
    std::string unknown;
  };

  // Reads `damaged` (an existing file, never created; a link is followed to one) into a new SQLite file
  // at `into`, replacing any file there.
  static Result copyReadable(const std::string& damaged, const std::string& into);
};

}  // namespace app::storage
