#include "app/state/SavedThemeFlag.h"

#include <mutex>
#include <optional>
#include <string>

#include "app/state/FramesObject.h"
#include "platform/foundation/FileStamp.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/PropertyList.h"

namespace app::state {

namespace {

using platform::foundation::FileStamp;

struct Parsed {
  std::string path;
  std::optional<FileStamp> stamp;  // none: no file stood there
  bool dark = false;
};

// Never destroyed: drawing may still ask while the process exits.
std::mutex& parsedMutex() {
  static auto* const mutex = new std::mutex;
  return *mutex;
}

std::optional<Parsed>& parsed() {
  static auto* const value = new std::optional<Parsed>;
  return *value;
}

// FramesObject::preferencePath, without making the Documents folder: a colour asked for in a container
// without one needs no folder made, and making it would cost every question a look at the disk more.
std::string preferencePath() {
  return platform::foundation::Paths::resolvedRoot() + "/Documents/" + FramesObject::kPreferenceFile;
}

bool readFromFile(const std::string& path) {
  // A damaged file is the preference writer's to report; here it simply reads as light.
  return platform::foundation::PropertyList::readFile(path, FramesObject::kPreferenceFileMaximumBytes)["SETTINGS_APPINDARKMODE"]
      .toBool();
}

}  // namespace

bool SavedThemeFlag::isDark() {
  const std::string path = preferencePath();
  // Stamped before it is read: a file replaced in between is read again at the next question.
  const std::optional<FileStamp> stamp = FileStamp::of(path);
  std::lock_guard lock(parsedMutex());
  auto& last = parsed();
  if (!last || last->path != path || last->stamp != stamp) last = Parsed{path, stamp, stamp && readFromFile(path)};
  return last->dark;
}

void SavedThemeFlag::fileWritten(bool) { fileChanged(); }

void SavedThemeFlag::fileChanged() {
  std::lock_guard lock(parsedMutex());
  parsed().reset();
}

}  // namespace app::state
