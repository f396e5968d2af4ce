#pragma once

#include <span>
#include <string>
#include <vector>

#include "app/storage/recovery/CatalogueKind.h"

namespace app::storage {

/*
** SEEDING: A MISSING CATALOGUE FROM THE BUNDLE, AND A FIRST START'S CATALOGUES MADE DURABLE ONCE
**
** A catalogue missing from Library is copied from the bundle in one step (written aside and renamed),
** so a kill leaves it missing or whole; one missing at a start that is not the first is noted as such
** (CataloguePlace::seededOverMissing). Seeding a catalogue costs a flush of its copy, and the start packages and selections that a first
** start writes next cost a flushed journal, the folder and the file again, per catalogue. When every
** catalogue is missing (a first start, or a Library emptied by hand) the bundle's copies are made beside
** their places instead ("<name>.seeding"), the session serves each catalogue from its copy, the start's
** writes go in with neither a journal file nor flushes, and publish() flushes each copy once, renames it
** into place and syncs the folder once for all four.
**
** Invariants, whatever moment the process stops at:
**
**   (1) Library/<catalogue> is either missing or a whole, flushed catalogue: a copy is renamed into place
**       only after its connection is closed and the copy flushed.
**   (2) A start stopped before publish() leaves no catalogue in place, only copies: the next start finds
**       every catalogue missing, makes the copies again over the stale ones and is a first start again.
**   (3) A start stopped part-way through publish() leaves some catalogues in place, whole by (1); the next
**       start seeds the missing ones the usual way and removes the stale copies.
**   (4) The preference file, which says that the first start is done, is written after publish().
*/
class CatalogueSeeding {
 public:
  // A start's first look at its catalogues: sweeps what killed writes left beside them (CatalogueSweep),
  // then seeds each one missing, syncing the Library folder once for all of them; gives back the file
  // names it seeded. Inside a session, when all are missing (a first start), they are staged instead
  // (stageAll) and in place after publish(). A catalogue whose rescue is not finished is not seeded.
  static std::vector<std::string> seedAllMissing(std::span<const CatalogueKind* const> catalogues);
  // The missing catalogue of `kind` seeded (a first start's staged copy stands for it): true when seeded.
  [[nodiscard]] static bool seedMissing(const CatalogueKind& kind, bool syncFolderNow = true);
  // Copies the bundle's catalogue `resourceName` to `path` when nothing stands there; true when a file is
  // there afterwards. Anything else standing there (CataloguePlace) is left as it is: false.
  [[nodiscard]] static bool seedIfMissing(const std::string& path, const std::string& resourceName);
  // Puts the bundle's catalogue at `path` in one step (write aside, then rename over the old file): on
  // failure the old file is left exactly as it was.
  [[nodiscard]] static bool replaceWithBundleCopy(const std::string& path, const std::string& resourceName);

  // Inside a CatalogueSession, when none of `catalogues` is in Library: copies each aside and serves it
  // from there until publish(). False (and nothing staged) otherwise, or when a copy could not be made.
  [[nodiscard]] static bool stageAll(std::span<const CatalogueKind* const> catalogues);
  // Removes the copies a start stopped part-way through publish() left (3).
  static void removeStaleCopies(std::span<const CatalogueKind* const> catalogues);
  // The copy that serves Library path `path` until publish(); empty when it is not staged.
  static std::string copyOf(const std::string& path);
  // Puts every staged copy in place, flushed, with one sync of the folder. A copy whose connection is
  // still held by someone stays staged (logged) and is put in place by a later call; false then.
  static bool publish();
};

}  // namespace app::storage

