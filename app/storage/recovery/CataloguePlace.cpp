#include "app/storage/recovery/CataloguePlace.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <set>

#include "app/storage/connection/CatalogueDatabase.h"
#include "app/storage/recovery/CatalogueRescue.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/DamagedFile.h"
#include "platform/foundation/DatabaseSideFiles.h"
#include "platform/log/Log.h"

using platform::foundation::AtomicFile;
using platform::foundation::DatabaseSideFiles;
using platform::foundation::DamagedFile;

namespace app::storage {

namespace {

std::string wasMissingNote(const std::string& fileName) { return CatalogueDatabase::libraryPath(fileName) + ".was-missing"; }

// Catalogues a first start found missing and has not seeded yet. Catalogues are used on the main thread
// only.
std::set<std::string>& firstSeeds() {
  static std::set<std::string> paths;
  return paths;
}

// Catalogues seeded over missing ones in this run, for when their note could not be written (a full disk).
std::set<std::string>& seededThisRun() {
  static std::set<std::string> paths;
  return paths;
}

}  // namespace

void CataloguePlace::warnUnreadable(const std::string& fileName, const Look& look) {
  // Looking costs nothing, and the catalogue is back the moment a file stands there; but the person
  // hears of each thing once a run, not at every use.
  static std::set<std::string> warned;
  if (!warned.insert(look.where + "\n" + look.what).second) return;
  if (look.where == CatalogueDatabase::libraryPath(fileName)) {
    platform::log::write(platform::log::Warning, "The catalogue " + fileName + " cannot be read: " + look.what +
                                                     " stands at " + look.where +
                                                     "; it is left as it is, and the catalogue is not used while it stands there");
    return;
  }
  platform::log::write(platform::log::Warning,
                       "The catalogue " + fileName + " is not used: " + look.what + " stands at " + look.where +
                           ", where only the catalogue's own side file belongs; both are left as they are, and "
                           "the catalogue is not used while that stands there");
}

void CataloguePlace::startFoundEveryCatalogueMissing(std::span<const CatalogueKind* const> catalogues) {
  for (const CatalogueKind* kind : catalogues) firstSeeds().insert(CatalogueDatabase::libraryPath(kind->fileName));
}

void CataloguePlace::seededOverMissing(const std::string& fileName) {
  if (firstSeeds().erase(CatalogueDatabase::libraryPath(fileName)) > 0) return;
  seededThisRun().insert(CatalogueDatabase::libraryPath(fileName));
  const std::string note = wasMissingNote(fileName);
  const auto noted = AtomicFile::writeAtomically(
      note, std::string_view("This catalogue was missing at a start and a fresh copy took its place.\n"));
  platform::log::write(platform::log::Warning,
                       "The catalogue " + fileName + " was missing; a fresh copy takes its place, and nothing of yours is deleted for what it lacks" +
                           (noted.ok() ? " (noted in " + note + ")" : std::string(" for this run")));
}

bool CataloguePlace::mayLackPersonsRows(const std::string& fileName) {
  const std::string path = CatalogueDatabase::libraryPath(fileName);
  struct stat info {};
  return DamagedFile::hasKeptCopy(path) || CatalogueRescue::isPending(fileName) ||
         ::lstat(wasMissingNote(fileName).c_str(), &info) == 0 || seededThisRun().contains(path);
}

}  // namespace app::storage
