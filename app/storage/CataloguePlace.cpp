#include "app/storage/CataloguePlace.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <set>

#include "app/storage/CatalogueDatabase.h"
#include "app/storage/CatalogueRescue.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/DatabaseSideFiles.h"
#include "platform/foundation/DamagedFile.h"
#include "platform/log/Log.h"

using platform::foundation::AtomicFile;
using platform::foundation::DatabaseSideFiles;
using platform::foundation::DamagedFile;

namespace app::storage {

namespace {

CataloguePlace::Look unreadable(std::string what, std::string where) {
  return {CataloguePlace::State::Unreadable, std::move(what), std::move(where)};
}

// A catalogue file is used only when SQLite can use what stands beside it too.
CataloguePlace::Look fileOrStrangerBeside(const std::string& path) {
  auto strangers = DatabaseSideFiles::strangersBeside(path);
  if (strangers.empty()) return {CataloguePlace::State::File, {}, {}};
  return unreadable(std::move(strangers.front().what), std::move(strangers.front().path));
}

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

CataloguePlace::Look CataloguePlace::at(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return {State::Missing, {}, {}};
    return unreadable(std::string("a path that cannot be looked at (") + std::strerror(errno) + ")", path);
  }
  if (S_ISREG(info.st_mode)) return fileOrStrangerBeside(path);
  // A link is used as what it leads to, when that is a file.
  if (S_ISLNK(info.st_mode) && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) return fileOrStrangerBeside(path);
  return unreadable(AtomicFile::whatStandsAt(path).words(), path);
}

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

bool CataloguePlace::setStrayLogAside(const std::string& path, std::string& error) {
  for (const auto side : {DatabaseSideFiles::kWriteAheadLog, DatabaseSideFiles::kSharedMemoryIndex}) {
    const std::string log = DatabaseSideFiles::of(DatabaseSideFiles::namedAfter(path), side);
    struct stat info {};
    if (::lstat(log.c_str(), &info) != 0) continue;
    const auto kept = DamagedFile::keepAside(log);
    if (!kept.ok()) {
      error = std::string("a ") + side.name + " that is not the app's stands beside it and could not be moved (" + log + ")";
      return false;
    }
    platform::log::write(platform::log::Warning, std::string("The ") + side.name + " beside the catalogue " + path +
                                                     " is not the app's own; it is kept as " + *kept +
                                                     ", and nothing in it reaches the catalogue");
  }
  return true;
}

}  // namespace app::storage
