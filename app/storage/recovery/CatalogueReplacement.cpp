#include "app/storage/recovery/CatalogueReplacement.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "app/storage/connection/CatalogueSession.h"
#include "app/storage/recovery/CataloguePlace.h"
#include "app/storage/recovery/CatalogueRescue.h"
#include "app/storage/recovery/CatalogueSeeding.h"
#include "app/storage/recovery/CatalogueUpdate.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Check.h"
#include "platform/log/Log.h"

using platform::foundation::AtomicFile;

namespace app::storage {

bool CatalogueReplacement::flushToDisk(const std::string& path) {
  const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0) return false;
  const bool flushed = ::fsync(file) == 0;
  ::close(file);
  return flushed;
}

bool CatalogueReplacement::fillWithoutSyncing(CatalogueDatabase& staging) {
  return staging.execute("PRAGMA synchronous = OFF");
}

std::string CatalogueReplacement::stagingPath(const std::string& fileName) {
  return AtomicFile::fileBehind(CatalogueDatabase::libraryPath(fileName)) + ".updating";
}

CatalogueUpdate::Rebuilt CatalogueReplacement::rebuild(const CatalogueKind& kind, const CarryOver& carryOver) {
  const auto carryAndMark = [&](const std::string& staging) {
    return carryOver(staging) && CatalogueRescue::markFreshCopy(kind.fileName, staging);
  };
  return run(kind, carryAndMark) ? CatalogueUpdate::Rebuilt::Done : CatalogueUpdate::Rebuilt::NotWritten;
}

bool CatalogueReplacement::run(const CatalogueKind& kind, const CarryOver& carryOver) {
  const std::string fileName = kind.fileName;
  const std::string path = CatalogueDatabase::libraryPath(fileName);
  // A link the person made to their catalogue elsewhere stays: the copy is made beside the file it leads
  // to and takes that file's place.
  const std::string installed = AtomicFile::fileBehind(path);
  const std::string staging = stagingPath(fileName);
  // A copy left by an update that was cut short is simply made again. No shared connection may stay
  // on either name across the rename: it would keep reading (or writing) the file that was there.
  CatalogueSession::forget(staging);
  if (!CatalogueSeeding::replaceWithBundleCopy(staging, kind.resourceName)) return false;
  // A copy seeded over a missing catalogue stays marked so through an update or a rescue: the person's
  // own file may still come back in its place.
  const bool marked = !CataloguePlace::isSeededOverMissing(fileName) || CataloguePlace::markSeededCopy(staging);
  if (!marked || !carryOver(staging) || !flushToDisk(staging)) {
    platform::log::write(platform::log::Error,
                         "Catalogue update of " + fileName + " failed; the installed one is kept");
    (void)AtomicFile::removeFile(staging);  // a copy left here is made again by the next update
    return false;
  }
  // One step or none: a copy that renumbers rows takes the place only when the stored packages can
  // follow it in the commit right after (a rescue's copy goes in whatever they can do: the place is
  // empty meanwhile).
  if (!CatalogueRescue::isPending(fileName) && PendingPackageRemap::isPendingAt(staging)) {
    if (const std::string why = PendingPackageRemap::whyPackagesCannotFollow(true); !why.empty()) {
      platform::log::write(platform::log::Warning, fileName + " stays at its installed version for now: the stored "
                                                   "packages could not follow its renumbered rows in the same step (" +
                                                   why + "); the update waits whole and is tried again at the next start");
      CatalogueSession::forget(staging);
      (void)AtomicFile::removeFile(staging);
      return false;
    }
  }
  // (1): only a whole copy, flushed beside the installed file, is ever renamed into its place.
  DCHECK(staging != installed && AtomicFile::fileExists(staging));
  CatalogueUpdate::reached(CatalogueUpdate::Stage::Staged);
  CatalogueSession::forget(staging);
  CatalogueSession::forget(path);
  if (std::rename(staging.c_str(), installed.c_str()) != 0) {
    platform::log::write(platform::log::Error, "Could not put the updated " + fileName + " in place");
    (void)AtomicFile::removeFile(staging);  // a copy left here is made again by the next update
    return false;
  }
  CatalogueUpdate::reached(CatalogueUpdate::Stage::Swapped);
  // The new catalogue is in place whatever happens here; a list that cannot be applied now stays in
  // the file and is applied by the next open.
  if (!PendingPackageRemap::apply(path)) {
    platform::log::write(platform::log::Notice, "The next open of " + fileName + " re-points the packages");
  }
  return true;
}

}  // namespace app::storage

