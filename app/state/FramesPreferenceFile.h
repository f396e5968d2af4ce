#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"

namespace app::state {

// The preference file "FramesData.plist" in the Documents folder: its keys read one by one, a file
// that cannot be read kept aside before defaults go over it, and the whole file written again only
// when what it holds changed. Main thread only.
class FramesPreferenceFile {
 public:
  static constexpr const char* kFileName = "FramesData.plist";
  // Eighteen numbers take under 2 KB: a preference file past this bound is not one the app wrote.
  static constexpr std::size_t kMaximumBytes = std::size_t{1} << 20;

  // Documents/FramesData.plist.
  static std::string path();

  // Readers of one key. A value that is not a number (an edited or damaged file) reads as a missing key.
  static std::optional<int64_t> wholeNumber(const platform::foundation::Value& stored, const char* key);
  static std::optional<int32_t> int32Value(const platform::foundation::Value& stored, const char* key);
  static std::optional<bool> boolValue(const platform::foundation::Value& stored, const char* key);
  static std::optional<float> floatValue(const platform::foundation::Value& stored, const char* key);

  // The stored preferences; a file that cannot be read is kept aside (or, when it cannot be moved, left
  // in place and not written over in this run) and reads as one without keys, with `unreadable` set.
  platform::foundation::Value read(bool& unreadable);
  // The settings of a preference file missing at a start that is not the first: none, and a warning.
  platform::foundation::Value readLost();
  // Writes `preferences` over the file unless it holds them already, or was left in place.
  void write(const platform::foundation::Value& preferences, bool darkMode) const;

 private:
  // Set when the file could not be read and something that could not be kept aside stands in its
  // place: this run's settings are not saved over it.
  bool leftInPlace_ = false;
};

}  // namespace app::state
