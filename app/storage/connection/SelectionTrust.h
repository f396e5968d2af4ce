#pragma once

#include <string>
#include <string_view>

namespace app::storage {

// Which selection flags of the catalogues this run may take for the app's own last choice. A write the
// catalogue refuses (a file the app may only read, a lock another program holds, a full disk) leaves
// the flags it was to change as the file held them before, another package's choice perhaps: a package
// built then keeps its own. Once a write of those flags reaches the file they are the app's again, and
// what the person picks afterwards is taken. Kept by catalogue path and table for the whole run; on the
// main thread only, as every catalogue is (a debug run stops on a use from elsewhere).
class SelectionTrust {
 public:
  // A write to `table` of the catalogue at `path` was refused. An empty `table` (a transaction that
  // could not begin or commit) may have been meant for any of its tables.
  static void refused(const std::string& path, std::string_view table);
  // The selection flags of `table` were written, and the file holds them.
  static void written(const std::string& path, std::string_view table);
  // Whether the flags of `table` may not be the app's last choice: a write meant for them was refused
  // after the last one that reached the file.
  [[nodiscard]] static bool mayBeStale(const std::string& path, std::string_view table);
  // How many writes the catalogue at `path` refused in this run, whatever reached it since: a screen
  // that sees the count grow while the person chooses knows that their choice was not stored.
  [[nodiscard]] static int refusals(const std::string& path);
};

}  // namespace app::storage
