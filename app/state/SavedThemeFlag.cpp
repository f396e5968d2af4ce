#include "app/state/SavedThemeFlag.h"

#include <mutex>
#include <optional>
#include <string>

#include "app/state/FramesObject.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/PropertyList.h"

namespace app::state {

namespace {

struct Known {
  std::string container;
  bool dark = false;
};

// Never destroyed: drawing may still ask while the process exits.
std::mutex& knownMutex() {
  static auto* const mutex = new std::mutex;
  return *mutex;
}

std::optional<Known>& known() {
  static auto* const value = new std::optional<Known>;
  return *value;
}

bool readFromFile() {
  const std::string path = FramesObject::preferencePath();
  if (!platform::foundation::AtomicFile::fileExists(path)) return false;
  // A damaged file is the preference writer's to report; here it simply reads as light.
  return platform::foundation::PropertyList::readFile(path, FramesObject::kPreferenceFileMaximumBytes)["SETTINGS_APPINDARKMODE"]
      .toBool();
}

}  // namespace

bool SavedThemeFlag::isDark() {
  // The container is named without touching the disk, so a question answered from memory costs none.
  const std::string container = platform::foundation::Paths::resolvedRoot();
  std::lock_guard lock(knownMutex());
  if (!known() || known()->container != container) known() = Known{container, readFromFile()};
  return known()->dark;
}

void SavedThemeFlag::fileWritten(bool dark) {
  std::string container = platform::foundation::Paths::resolvedRoot();
  std::lock_guard lock(knownMutex());
  known() = Known{std::move(container), dark};
}

void SavedThemeFlag::fileChanged() {
  std::lock_guard lock(knownMutex());
  known().reset();
}

}  // namespace app::state

