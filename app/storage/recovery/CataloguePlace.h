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
**       asserted in CatalogueUpdate::openInstalled). A copy that renumbers rows takes the place only
**       once the package catalogue can follow it in the commit right after: the person's own file, in
**       place and free (PendingPackageRemap::whyPackagesCannotFollow); otherwise the update waits whole
**       and the installed catalogue stays.
**   (7) A sweep removes only names the app's own writes make, and only what no live write holds
**       (CatalogueSweep).
**   (8) A change that spans catalogues is one step: a row deleted and the stored packages that follow
**       it commit in one transaction over both files, joined with ATTACH on rollback journals
**       (StepWithPackages, AttachedCatalogue), so in both or in neither; where that cannot be had
**       (the package catalogue missing, held by another program, left alone, or packages still on
**       ids a list renumbers) nothing changes and a warning says so.
**   (9) A fallback is stored only for a row the person deleted: a stored package is mended only where
**       its catalogue answered that a row is gone and may lack none of the person's rows
**       (mayLackPersonsRows: a kept copy, a rescue, a fresh copy seeded over a missing catalogue, a
**       list of renumbered ids pending); any other row it names stands in for the run (PackageMend).
**
** States: what stands, then each move out of the state, its function and where it leads (CatalogueUpdate.h
** has the update's stages in detail):
**
**   missing           nothing at the place
**     -> seeded over    CatalogueSeeding::seedMissing at a start that is not the first
**        missing        (CataloguePlace::seededOverMissing)
**     -> a file         CatalogueSeeding::seedMissing at a first start
**     -> staged         CatalogueSeeding::stageAll, when a start finds every catalogue missing
**   seeded over       a fresh copy marked inside (table SeededOverMissing) and a note "<fileName>.was-missing"
**   missing           beside it: it may lack the person's rows, and no renumbering is applied to it
**     -> a file         the person puts their own file back (no mark): CataloguePlace::noticePersonsFileBack
**                       at the next open removes the note; an update or a rescue keeps the copy marked
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
**     -> update swapped CatalogueReplacement::run, once the stored packages can follow a renumbering in it
**     -> a file         the packages cannot follow it now (6): the copy goes, the installed file stays
**                       and the update waits whole for the next start
**   update swapped    the new catalogue in place, its list of renumbered ids in it; a rescue's note beside it
**     -> a file         PendingPackageRemap::apply re-points the packages; CatalogueRescue removes the note
**     -> a remap        the list could not be applied now (the app stopped, or another program took the
**        pending        package catalogue in between): it stays in the file
**   a remap pending   a list of renumbered ids in the file; the catalogue may lack the person's rows (9)
**                     and no delete is made in it by id (8)
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
  // Marks the catalogue file at `path` (a fresh copy, before it takes the place or just after) as one
  // seeded over a missing catalogue; true when marked.
  [[nodiscard]] static bool markSeededCopy(const std::string& path);
  // Whether the catalogue in place is a fresh copy seeded over a missing one: noted beside it, or seeded
  // so in this run. The person's own may still come back.
  [[nodiscard]] static bool isSeededOverMissing(const std::string& fileName);
  // A file in place that lacks the mark its note speaks of is the person's own, put back: the note goes,
  // and the catalogue is theirs again. Any other note stays for good.
  static void noticePersonsFileBack(const std::string& fileName);
  // Whether the catalogue in place may lack rows of the person's that are kept elsewhere or still on
  // their way: a copy of it kept aside as damaged, a rescue still to finish, a seeding over a missing
  // one, or renumbered rows that the stored packages do not follow yet (a list pending in it). Nothing
  // built on rows such a catalogue lacks is taken as gone for good, and nothing is mended for it.
  [[nodiscard]] static bool mayLackPersonsRows(const std::string& fileName);
};

}  // namespace app::storage
