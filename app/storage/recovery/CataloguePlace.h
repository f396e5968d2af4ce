#pragma once

#include <span>
#include <string>

#include "app/storage/recovery/CatalogueKind.h"
#include "platform/foundation/DatabaseSideFiles.h"

namespace app::storage {

/*
** WHAT STANDS AT A CATALOGUE'S PLACE, AND HOW THE APP MOVES BETWEEN THOSE STATES
**
** Each catalogue (CatalogueKind) has one place, Library/<fileName>, and this folder is everything that
** may put something there, take it away or leave it be. Every helper reaches its catalogue through
** CatalogueOpening::open, which resumes a rescue, looks at the place, seeds, checks and rescues in turn.
**
** Invariants, whatever moment the process stops at and whatever the person left in Library:
**
**   (1) The place holds nothing, something that is not the app's, or a whole catalogue: only a copy
**       complete and flushed beside it is renamed into it (CatalogueReplacement::run, asserted;
**       CatalogueSeeding::publish, asserted).
**   (2) Nothing that is not the app's is moved, replaced or read as a catalogue: a link, a FIFO, a device
**       or a folder at the place, or what SQLite could not use beside it, is named and left (below), and
**       so is anything at a rescue's note's name that a rescue did not write (CatalogueRescue (5)).
**   (3) A damaged file is moved aside only once a note naming its kept copy stands beside the place
**       (CatalogueRescue::keepAsideAndReplace, asserted).
**   (4) While that note stands the place is neither seeded, updated nor read; every open tries the
**       rescue again first (CatalogueOpening::open, CatalogueSeeding::seedAllMissing).
**   (5) A rescue's fresh copy names the kept copy in it before it takes the place
**       (CatalogueRescue::markFreshCopy, asserted), and the note goes only once the place holds the
**       person's rows or nothing more of them can come of the kept copy.
**   (6) The stored packages point at rows of the catalogue in place: a list of renumbered ids lives
**       only in a swapped catalogue, and every open finishes it first (CatalogueUpdate (2)-(5),
**       asserted in CatalogueUpdate::openInstalled).
**   (7) A sweep removes only names the app's own writes make, and only what no live write holds
**       (CatalogueSweep).
**
** States: what stands, then each move out of the state, its function and where it leads (CatalogueUpdate.h
** has the update's stages in detail):
**
**   missing           nothing at the place
**     -> a file         CatalogueSeeding::seedMissing, with a note "<fileName>.was-missing" beside it
**                       unless at a first start (CataloguePlace::seededOverMissing)
**     -> staged         CatalogueSeeding::stageAll, when a start finds every catalogue missing
**   staged            a first start's "<fileName>.seeding" serving the session; the place empty
**     -> a file         CatalogueSeeding::publish
**   a file            a catalogue file, or a link to one
**     -> a rescue noted CatalogueOpening::open finds it damaged: CatalogueRescue::keepAsideAndReplace
**     -> staged and     the helper's resetdatabase, a new build's catalogue: CatalogueReplacement::run
**        marked
**   unreadable        not a file, or a stranger where SQLite keeps a side file (DatabaseSideFiles)
**     -> missing, a file  only the person; CataloguePlace::warnUnreadable names it meanwhile
**   a rescue noted    "<fileName>.rescuing" naming the kept copy; the damaged file still in place
**     -> kept aside     DamagedFile::keepAsideAs
**   kept aside        "<fileName>.damaged-<date>" and the note; the place empty
**     -> staged and     CatalogueRescue::resume: CatalogueSalvage copies what is readable into
**        marked         "<fileName>.readable", CatalogueKind::carryRows carries it
**   staged and marked "<fileName>.updating" whole and flushed; a rescue's copy names its kept copy
**     -> update swapped CatalogueReplacement::run
**   update swapped    the new catalogue in place, its list of renumbered ids in it; a rescue's note beside it
**     -> a file         PendingPackageRemap::apply re-points the packages; CatalogueRescue removes the note
**     -> a remap        the list could not be applied now: CatalogueReplacement::run leaves it in the file
**        pending
**   a remap pending   a list of renumbered ids in the file
**     -> a file         PendingPackageRemap::openFinishing, at the next open
**
** A stop in any state is met by the next start: CatalogueSweep removes what a killed write left beside
** the place, and CatalogueOpening::open takes up the state it finds.
**
** CataloguePlace itself looks at the place without opening it. A catalogue is seeded only where nothing
** stands and opened only where a file does. Anything else there is the person's or another program's
** doing: opening it could wait for ever (a FIFO), and seeding over it would replace a link to the
** person's catalogue with a bare one. So is a stranger where SQLite keeps a side file: SQLite would wait
** on it or call the catalogue damaged.
*/
class CataloguePlace {
 public:
  // For Unreadable, what stands there in words ("a link that leads nowhere"), and where: the
  // catalogue's path or that of one of its side files.
  using Look = platform::foundation::DatabaseSideFiles::Place;
  using State = Look::State;
  static Look at(const std::string& path) { return platform::foundation::DatabaseSideFiles::placeOf(path); }
  static State stateOf(const std::string& path) { return at(path).state; }
  // The warning that names what stands in the place of Library/<fileName> and leaves it there; once a
  // run for each thing standing there.
  static void warnUnreadable(const std::string& fileName, const Look& look);

  // A first start finds every catalogue missing and seeds them all; so does a start after the person
  // emptied Library, where no package is left to lose. Called by that start: seeding each of them
  // once is no seeding over a missing one.
  static void startFoundEveryCatalogueMissing(std::span<const CatalogueKind* const> catalogues);
  // Library/<fileName> was just seeded because it was missing. At a start that is not the first, what
  // the fresh copy lacks may still be the person's (in the file they moved away, or on a disk that is
  // not mounted): a note beside it ("<fileName>.was-missing") keeps that known for good, and a warning
  // names it.
  static void seededOverMissing(const std::string& fileName);
  // Whether the catalogue in place may lack rows of the person's that are kept elsewhere: a copy of it
  // kept aside as damaged, a rescue still to finish, or a seeding over a missing one. Nothing built on
  // rows such a catalogue lacks is taken as gone for good.
  [[nodiscard]] static bool mayLackPersonsRows(const std::string& fileName);
};

}  // namespace app::storage
