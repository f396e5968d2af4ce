#include "app/storage/recovery/CataloguePlace.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <set>
#include <string_view>

#include "app/storage/connection/CatalogueDatabase.h"
#include "app/storage/recovery/CatalogueRescue.h"
#include "app/storage/recovery/PendingPackageRemap.h"
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

// The table that marks a fresh copy seeded over a missing catalogue as the app's, by what a copy of the
// container keeps; a note says so once its copy is marked, and only such a note ends when the copy goes.
constexpr const char* kSeededMark = "SeededOverMissing";
constexpr std::string_view kMarkedNote = "The fresh copy is marked as such inside";

// Whether the catalogue file at `path` carries the mark; nullopt when it could not be told.
std::optional<bool> carriesMark(const std::string& path) {
  if (CataloguePlace::stateOf(path) != CataloguePlace::State::File) return std::nullopt;
  CatalogueDatabase catalogue;
  if (!catalogue.openPath(path)) return std::nullopt;
  return catalogue.holdsTable(kSeededMark);
}

bool noteStands(const std::string& fileName) {
  struct stat info {};
  return ::lstat(wasMissingNote(fileName).c_str(), &info) == 0;
}

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

bool CataloguePlace::markSeededCopy(const std::string& path) {
  CatalogueDatabase copy;
  return copy.openPath(path) &&
         copy.execute(std::string("CREATE TABLE IF NOT EXISTS ") + kSeededMark + " (since TEXT)");
}

void CataloguePlace::seededOverMissing(const std::string& fileName) {
  const std::string path = CatalogueDatabase::libraryPath(fileName);
  if (firstSeeds().erase(path) > 0) return;
  seededThisRun().insert(path);
  // Marked first: a note that says so ends only with a file in place that lacks the mark.
  const bool marked = markSeededCopy(path);
  const std::string note = wasMissingNote(fileName);
  const auto noted = AtomicFile::writeAtomically(
      note, "This catalogue was missing at a start and a fresh copy took its place.\n" +
                (marked ? std::string(kMarkedNote) + " (" + kSeededMark + ").\n" : std::string()));
  platform::log::write(platform::log::Warning,
                       "The catalogue " + fileName + " was missing; a fresh copy takes its place, and nothing of yours is deleted for what it lacks" +
                           (noted.ok() ? " (noted in " + note + ")" : std::string(" for this run")));
}

bool CataloguePlace::isSeededOverMissing(const std::string& fileName) {
  return noteStands(fileName) || seededThisRun().contains(CatalogueDatabase::libraryPath(fileName));
}

void CataloguePlace::noticePersonsFileBack(const std::string& fileName) {
  if (!noteStands(fileName)) return;
  const std::string note = wasMissingNote(fileName);
  // A note of the app's, short, that says its copy was marked; anything else there is kept for good.
  constexpr std::size_t kNoteBytes = 512;
  const auto text = AtomicFile::readText(note, kNoteBytes);
  if (!text.ok() || text->find(kMarkedNote) == std::string::npos) return;
  const std::string path = CatalogueDatabase::libraryPath(fileName);
  if (carriesMark(path) != false) return;
  if (!AtomicFile::removeLeftover(note)) return;
  seededThisRun().erase(path);
  platform::log::write(platform::log::Notice, "The catalogue " + fileName +
                                                  " in place is no longer the fresh copy made while it was missing: it "
                                                  "is taken as yours again, and " + note + " is removed");
}

bool CataloguePlace::mayLackPersonsRows(const std::string& fileName) {
  const std::string path = CatalogueDatabase::libraryPath(fileName);
  return DamagedFile::hasKeptCopy(path) || CatalogueRescue::isPending(fileName) || isSeededOverMissing(fileName) ||
         PendingPackageRemap::isPendingAt(path);
}

}  // namespace app::storage
