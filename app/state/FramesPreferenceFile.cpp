#include "app/state/FramesPreferenceFile.h"

#include <cmath>
#include <limits>

#include "app/state/SavedThemeFlag.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/DamagedFile.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/PropertyList.h"
#include "platform/log/Log.h"

namespace app::state {

using platform::foundation::Value;

std::string FramesPreferenceFile::path() { return platform::foundation::Paths::documents() + "/" + kFileName; }

std::optional<int64_t> FramesPreferenceFile::wholeNumber(const Value& stored, const char* key) {
  const Value& value = stored[key];
  if (!value.isNumber() || (value.isReal() && !std::isfinite(*value.real()))) return std::nullopt;
  return value.toInt64();
}

std::optional<int32_t> FramesPreferenceFile::int32Value(const Value& stored, const char* key) {
  const auto number = wholeNumber(stored, key);
  if (!number || *number < std::numeric_limits<int32_t>::min() || *number > std::numeric_limits<int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int32_t>(*number);
}

std::optional<bool> FramesPreferenceFile::boolValue(const Value& stored, const char* key) {
  const Value& value = stored[key];
  if (!value.isNumber()) return std::nullopt;
  return value.toBool();
}

std::optional<float> FramesPreferenceFile::floatValue(const Value& stored, const char* key) {
  const Value& value = stored[key];
  if (!value.isNumber()) return std::nullopt;
  return static_cast<float>(value.toDouble());
}

Value FramesPreferenceFile::read(bool& unreadable) {
  using platform::foundation::DamagedFile;
  const std::string path = FramesPreferenceFile::path();
  Value stored = platform::foundation::PropertyList::readFile(path, kMaximumBytes);
  unreadable = !stored.isDictionary();
  if (!unreadable) return stored;
  // Defaults are about to be written over it: the user's file is kept first, never lost, and stays in
  // its place until this start's save replaces it.
  const auto kept = DamagedFile::keepBeforeReplacing(path);
  DamagedFile::reportKept(path, kept, "preference file", "the settings start from their defaults");
  // What cannot be kept (a link to a place not there now, a FIFO, a file the app may not read) is
  // someone's, and stays as it is.
  leftInPlace_ = !kept.ok();
  if (leftInPlace_) {
    platform::log::write(platform::log::Warning,
                         "The settings start from their defaults for this run and are not saved over " + path);
  }
  app::state::SavedThemeFlag::fileChanged();
  return Value(platform::foundation::Dictionary{});
}

Value FramesPreferenceFile::readLost() {
  const std::string path = FramesPreferenceFile::path();
  platform::log::write(platform::log::Warning, "The preference file " + path +
                                                   " is missing, but the catalogues hold the standard packages "
                                                   "stored before: they are kept and the settings start from "
                                                   "their defaults");
  app::state::SavedThemeFlag::fileChanged();
  return Value(platform::foundation::Dictionary{});
}

void FramesPreferenceFile::write(const Value& preferences, bool darkMode) const {
  using platform::foundation::PropertyList;
  if (leftInPlace_) return;
  const std::string path = FramesPreferenceFile::path();
  const auto bytes = PropertyList::write(preferences, PropertyList::Format::Xml);
  if (bytes.empty()) {
    platform::log::write(platform::log::Error, "The preferences could not be serialised; the file is left as it was");
    return;
  }
  // Unchanged preferences touch no file.
  if (const auto stored = platform::foundation::AtomicFile::readFile(path, kMaximumBytes);
      stored.ok() && *stored == bytes) {
    app::state::SavedThemeFlag::fileWritten(darkMode);
    return;
  }
  // The new file is whole on the disk before it takes the old one's name; the folder is not synced,
  // so a power cut right after may bring back the previous file (the last save lost, nothing torn).
  if (auto written = platform::foundation::AtomicFile::writeAtomically(path, bytes.data(), bytes.size(), 0644, false);
      !written.ok()) {
    platform::log::write(platform::log::Error,
                         "The preference file could not be written: " + written.error().localizedDescription());
    app::state::SavedThemeFlag::fileChanged();
    return;
  }
  app::state::SavedThemeFlag::fileWritten(darkMode);
}

}  // namespace app::state
