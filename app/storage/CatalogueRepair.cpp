// CatalogueDatabase: opening a catalogue, and what happens to one that turns out to be damaged.
#include <sqlite3.h>

#include <map>
#include <set>

#include "app/storage/CatalogueConnection.h"
#include "app/storage/CatalogueDatabase.h"
#include "app/storage/CataloguePlace.h"
#include "app/storage/CatalogueRescue.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/FileStamp.h"
#include "platform/log/Log.h"

namespace app::storage {

namespace {

bool isBusy(int code) { return (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED; }

using platform::foundation::FileStamp;

// Catalogues found in use elsewhere or whose rescue must wait for room, with the monotonic time until
// which they are left alone: each use would otherwise wait for the other program's lock again, or read
// the whole kept copy again, for nothing.
constexpr double kLeftAloneSeconds = 30;

std::map<std::string, double>& leftAlone() {
  static std::map<std::string, double> catalogues;
  return catalogues;
}

// The files this process found whole, read page by page. Catalogues are opened on the main thread only.
std::set<FileStamp>& foundWhole() {
  static std::set<FileStamp> files;
  return files;
}

}  // namespace

bool CatalogueDatabase::isLeftAlone(const std::string& path) {
  const auto found = leftAlone().find(path);
  if (found == leftAlone().end()) return false;
  if (platform::foundation::Clock::current()->monotonic() < found->second) return true;
  leftAlone().erase(found);
  return false;
}

CatalogueDatabase::Health CatalogueDatabase::health(std::span<const char* const> tables) {
  // Reading the schema reads the file's header: a file that is not a database fails right here.
  auto statement = prepare("SELECT name FROM sqlite_master WHERE type = 'table'", true);
  if (!statement.ok()) return isBusy(errorCode()) ? Health::Busy : Health::Damaged;
  std::set<std::string, std::less<>> names;
  CatalogueStatement::Step step;
  while ((step = statement.step()) == CatalogueStatement::Step::Row) names.insert(statement.columnText(0));
  if (step == CatalogueStatement::Step::Error) return isBusy(errorCode()) ? Health::Busy : Health::Damaged;
  statement.release();
  for (const char* table : tables) {
    if (!names.contains(table)) return Health::Damaged;
  }
  return wholeness();
}

CatalogueDatabase::Health CatalogueDatabase::wholeness() {
  // Damage inside a table reads as rows gone or "malformed" wherever a statement meets it; a catalogue is
  // small, so each is read whole once per run (and again once written) to find it before anyone relies on it.
  // Another file at the same path, or this one written since, has another stamp.
  const auto state = FileStamp::of(path_);
  if (state && foundWhole().contains(*state)) return Health::Sound;
  auto check = prepare("PRAGMA integrity_check(1)", true);
  const bool ran = check.step() == CatalogueStatement::Step::Row;
  if (!ran) return isBusy(errorCode()) ? Health::Busy : Health::Damaged;
  if (check.columnText(0) != "ok") return Health::Damaged;
  if (state) foundWhole().insert(*state);
  return Health::Sound;
}

bool CatalogueDatabase::replaceDamaged(const CatalogueKind& kind) {
  close();
  CatalogueSession::forget(libraryPath(kind.fileName));
  return CatalogueRescue::keepAsideAndReplace(kind);
}

bool CatalogueDatabase::leaveAloneForNow(const std::string& path) {
  leftAlone()[path] = platform::foundation::Clock::current()->monotonic() + kLeftAloneSeconds;
  close();
  return false;
}

bool CatalogueDatabase::openCatalogue(const CatalogueKind& kind) {
  const std::string fileName = kind.fileName;
  const std::string path = libraryPath(fileName);
  if (isLeftAlone(path)) {
    close();
    return false;
  }
  // A rescue not finished comes first: until it is, nothing takes the catalogue's place.
  if (!CatalogueRescue::resume(kind)) return leaveAloneForNow(path);
  const CataloguePlace::Look place = CataloguePlace::at(path);
  if (place.state == CataloguePlace::State::Unreadable) {
    CataloguePlace::warnUnreadable(fileName, place);
    close();
    return false;
  }
  if (place.state == CataloguePlace::State::Missing && !seedMissing(fileName, kind.resourceName)) return false;
  return openChecked(kind);
}

bool CatalogueDatabase::openChecked(const CatalogueKind& kind) {
  const std::string fileName = kind.fileName;
  const std::string path = libraryPath(fileName);
  if (!openPath(path)) return false;
  if (checked()) return true;
  switch (health(kind.tables)) {
    case Health::Sound: return true;
    case Health::Busy:
      platform::log::write(platform::log::Warning,
                           "The catalogue " + fileName + " is in use elsewhere; it is left alone and tried again later");
      return leaveAloneForNow(path);
    case Health::Damaged:
      if (!replaceDamaged(kind)) return leaveAloneForNow(path);
      // A fresh copy that fails the same check means the bundle itself is broken: nothing more to do.
      return openPath(path) && health(kind.tables) == Health::Sound;
  }
  return false;
}

}  // namespace app::storage
