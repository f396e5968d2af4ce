#include "app/storage/recovery/CatalogueOpening.h"

#include <sqlite3.h>

#include <map>
#include <set>

#include "app/storage/connection/CatalogueSession.h"
#include "app/storage/recovery/CataloguePlace.h"
#include "app/storage/recovery/CatalogueRescue.h"
#include "app/storage/recovery/CatalogueSeeding.h"
#include "app/storage/recovery/PackageCatalogue.h"
#include "app/storage/recovery/PendingPackageRemap.h"
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

enum class Health { Sound, Damaged, Busy };

// Whether the open catalogue is whole. Damage inside a table reads as rows gone or "malformed" wherever
// a statement meets it; a catalogue is small, so each is read whole once per run (and again once
// written) to find it before anyone relies on it. Another file at the same path, or this one written
// since, has another stamp.
Health wholenessOf(CatalogueDatabase& catalogue) {
  const auto stamp = FileStamp::of(catalogue.path());
  if (stamp && foundWhole().contains(*stamp)) return Health::Sound;
  auto check = catalogue.prepare("PRAGMA integrity_check(1)", true);
  const bool ran = check.step() == CatalogueStatement::Step::Row;
  if (!ran) return isBusy(catalogue.errorCode()) ? Health::Busy : Health::Damaged;
  if (check.columnText(0) != "ok") return Health::Damaged;
  if (stamp) foundWhole().insert(*stamp);
  return Health::Sound;
}

Health healthOf(CatalogueDatabase& catalogue, std::span<const char* const> tables) {
  // Reading the schema reads the file's header: a file that is not a database fails right here.
  auto statement = catalogue.prepare("SELECT name FROM sqlite_master WHERE type = 'table'", true);
  if (!statement.ok()) return isBusy(catalogue.errorCode()) ? Health::Busy : Health::Damaged;
  std::set<std::string, std::less<>> names;
  CatalogueStatement::Step step;
  while ((step = statement.step()) == CatalogueStatement::Step::Row) names.insert(statement.columnText(0));
  if (step == CatalogueStatement::Step::Error) return isBusy(catalogue.errorCode()) ? Health::Busy : Health::Damaged;
  statement.release();
  for (const char* table : tables) {
    if (!names.contains(table)) return Health::Damaged;
  }
  return wholenessOf(catalogue);
}

// Closes, and fails every open of the catalogue at `path` for a while; false.
bool leaveAloneForNow(CatalogueDatabase& catalogue, const std::string& path) {
  leftAlone()[path] = platform::foundation::Clock::current()->monotonic() + kLeftAloneSeconds;
  catalogue.close();
  return false;
}

bool replaceDamaged(CatalogueDatabase& catalogue, const CatalogueKind& kind) {
  catalogue.close();
  CatalogueSession::forget(CatalogueDatabase::libraryPath(kind.fileName));
  return CatalogueRescue::keepAsideAndReplace(kind);
}

// The catalogue in place opened, and checked on its connection's first use.
bool openChecked(CatalogueDatabase& catalogue, const CatalogueKind& kind) {
  const std::string fileName = kind.fileName;
  const std::string path = CatalogueDatabase::libraryPath(fileName);
  if (!catalogue.openPath(path)) return false;
  if (catalogue.checked()) return true;
  switch (healthOf(catalogue, kind.tables)) {
    case Health::Sound: return true;
    case Health::Busy:
      platform::log::write(platform::log::Warning,
                           "The catalogue " + fileName + " is in use elsewhere; it is left alone and tried again later");
      return leaveAloneForNow(catalogue, path);
    case Health::Damaged:
      if (!replaceDamaged(catalogue, kind)) return leaveAloneForNow(catalogue, path);
      // A fresh copy that fails the same check means the bundle itself is broken: nothing more to do.
      return catalogue.openPath(path) && healthOf(catalogue, kind.tables) == Health::Sound;
  }
  return false;
}

}  // namespace

bool CatalogueOpening::isLeftAlone(const std::string& path) {
  const auto found = leftAlone().find(path);
  if (found == leftAlone().end()) return false;
  if (platform::foundation::Clock::current()->monotonic() < found->second) return true;
  leftAlone().erase(found);
  return false;
}

bool CatalogueOpening::open(CatalogueDatabase& catalogue, const CatalogueKind& kind) {
  const std::string fileName = kind.fileName;
  const std::string path = CatalogueDatabase::libraryPath(fileName);
  if (isLeftAlone(path)) {
    catalogue.close();
    return false;
  }
  // A rescue not finished comes first: until it is, nothing takes the catalogue's place.
  if (!CatalogueRescue::resume(kind)) return leaveAloneForNow(catalogue, path);
  const CataloguePlace::Look place = CataloguePlace::at(path);
  if (place.state == CataloguePlace::State::Unreadable) {
    CataloguePlace::warnUnreadable(fileName, place);
    catalogue.close();
    return false;
  }
  if (place.state == CataloguePlace::State::Missing && !CatalogueSeeding::seedMissing(kind)) return false;
  if (place.state == CataloguePlace::State::File) CataloguePlace::noticePersonsFileBack(fileName);
  return openChecked(catalogue, kind);
}

bool CatalogueOpening::openForHelper(CatalogueDatabase& catalogue, const CatalogueKind& kind,
                                     const std::function<void()>& firstUse) {
  if (!open(catalogue, kind)) return false;
  if (!catalogue.checked()) {
    const bool packagesPointHere = &kind != &PackageCatalogue::kKind;
    if (packagesPointHere && !PendingPackageRemap::openFinishing(catalogue, catalogue.path())) return false;
    if (firstUse) firstUse();
  }
  catalogue.markChecked();
  return true;
}

}  // namespace app::storage
