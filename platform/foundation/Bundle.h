#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "platform/foundation/Value.h"

namespace platform::foundation {

// A folder of read-only resources with an Info.plist, as the app ships them. The main bundle is the
// `bundle` folder beside the executable, or $OSTREL_BUNDLE, or the folder given to setMainPath()
// (tests, tools); the first of these that is set, in reverse order, wins.
class Bundle {
 public:
  explicit Bundle(std::string path);

  // The current main bundle. A holder keeps a working bundle even if the main path changes later.
  static std::shared_ptr<const Bundle> main();
  // Overrides the main bundle's folder; empty returns to the default. Returns the previous override.
  static std::string setMainPath(const std::string& path);

  const std::string& bundlePath() const { return path_; }
  const std::string& resourcePath() const { return path_; }

  // The full path of `name` plus "." and `type` (when given; a leading dot is accepted) in the bundle's
  // folder or in `subdirectory` below it; "" when there is no such file. Names may not climb out of the
  // bundle with "..".
  std::string pathForResource(const std::string& name, const std::string& type,
                              const std::string& subdirectory = {}) const;

  // Info.plist as a dictionary, read on first use; a missing or unreadable file gives an empty one.
  const Value& infoDictionary() const;
  // nil when the key is missing.
  const Value& objectForInfoDictionaryKey(const std::string& key) const;
  // "CFBundleIdentifier", or "" when the bundle has none.
  std::string bundleIdentifier() const;

 private:
  std::string path_;
  mutable std::once_flag infoOnce_;
  mutable Value info_;
};

}  // namespace platform::foundation
