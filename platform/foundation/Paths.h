#pragma once

#include <string>

namespace platform::foundation {

// The app container: every file the product keeps lives below one root folder.
// The root is, in order of precedence: the folder given to setRoot() (the --home option, tests),
// $OSTREL_HOME, $XDG_DATA_HOME/ostrel (when that variable holds an absolute path),
// and ~/.local/share/ostrel. The folder getters create their folder (and its parents) when missing,
// so callers can write into the returned path at once. All functions are safe from any thread.
class Paths {
 public:
  // Overrides the root; an empty path returns to the environment's choice. Returns the previous
  // override (empty when there was none) so a caller can put it back.
  static std::string setRoot(const std::string& path);
  // The override set with setRoot, or empty.
  static std::string rootOverride();
  // The root as resolved now, without creating it.
  static std::string resolvedRoot();

  static std::string root();
  static std::string documents();
  static std::string library();
  static std::string caches();
  static std::string applicationSupport();
  static std::string preferences();
  static std::string tmp();
};

}  // namespace platform::foundation
