// CatalogueDatabase: opening a catalogue, and what happens to one that turns out to be damaged.
#include <sqlite3.h>

#include <set>

#include "app/storage/CatalogueConnection.h"
#include "app/storage/CatalogueDatabase.h"
#include "platform/foundation/DamagedFile.h"
#include "platform/log/Log.h"

namespace app::storage {

namespace {

bool isBusy(int code) { return (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED; }

}  // namespace

CatalogueDatabase::Health CatalogueDatabase::health(std::span<const char* const> tables) {
  // Reading the schema reads the file's header: a file that is not a database fails right here.
  auto statement = prepare("SELECT name FROM sqlite_master WHERE type = 'table'", true);
  if (!statement.ok()) return isBusy(errorCode()) ? Health::Busy : Health::Damaged;
  std::set<std::string, std::less<>> names;
  CatalogueStatement::Step step;
  while ((step = statement.step()) == CatalogueStatement::Step::Row) names.insert(statement.columnText(0));
  if (step == CatalogueStatement::Step::Error) return isBusy(errorCode()) ? Health::Busy : Health::Damaged;
  for (const char* table : tables) {
    if (!names.contains(table)) return Health::Damaged;
  }
  return Health::Sound;
}

bool CatalogueDatabase::replaceDamaged(const std::string& fileName, const std::string& resourceName) {
  const std::string path = libraryPath(fileName);
  close();
  CatalogueSession::forget(path);
  using platform::foundation::DamagedFile;
  if (DamagedFile::keepAsideWithWarning(path, "catalogue " + fileName, "a fresh copy takes its place").empty()) {
    return false;
  }
  return seedIfMissing(path, resourceName) && openPath(path);
}

bool CatalogueDatabase::openCatalogue(const std::string& fileName, const std::string& resourceName,
                                      std::span<const char* const> tables) {
  const std::string path = libraryPath(fileName);
  if (!seedIfMissing(path, resourceName) || !openPath(path)) return false;
  if (checked()) return true;
  switch (health(tables)) {
    case Health::Sound: return true;
    case Health::Busy:
      platform::log::write(platform::log::Warning,
                           "The catalogue " + fileName + " is in use elsewhere; it is left alone and tried again later");
      close();
      return false;
    case Health::Damaged:
      // A fresh copy that fails the same check means the bundle itself is broken: nothing more to do.
      return replaceDamaged(fileName, resourceName) && health(tables) == Health::Sound;
  }
  return false;
}

}  // namespace app::storage

