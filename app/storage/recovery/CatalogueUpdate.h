#pragma once

#include <functional>
#include <initializer_list>
#include <string>

namespace app::storage {

class CatalogueDatabase;

/*
** HOW A CATALOGUE UPDATE WORKS
**
** A new build may carry newer lens, camera-format and adapter catalogues. Each of those files also
** holds the user's own rows (series, lenses, cameras, formats, crops, frame guides, adapters) and the
** stored packages in the package catalogue point at rows of all of them by id. An update puts the
** bundle's catalogue in place, carries the user's rows into it (they get new ids there) and re-points
** the stored packages at the new ids. It has to survive being cut short at any instruction: by a
** crash, a kill, a full disk or a power cut.
**
** Invariants. Whatever moment an update stops at:
**
**   (1) Library/<catalogue> is a whole catalogue: either the installed one, untouched, or the new one
**       with every user row carried over. A half-made catalogue is never in that place.
**
**   (2) Every stored package points at rows of the catalogue that is in place: while the old one is
**       installed the packages keep the old ids; they move to the new ids in the same commit that
**       drops the list of renumbered ids.
**
**   (3) The list of renumbered ids (table PendingPackageRemap) exists only in a new catalogue whose
**       packages have not been re-pointed yet. It is written in the same commit as the user's rows.
**
**   (4) Whoever opens a catalogue and finds a list finishes it first (PendingPackageRemap::openFinishing),
**       so no reader ever sees packages that point at the wrong numbering, and (2) holds again.
**
**   (5) An update starts from packages on the installed numbering: a list left by an earlier update is
**       applied before anything is read for the next one (no new list is made from a stale numbering).
**
**   (6) An installed catalogue that cannot be read is never replaced: its user rows could not be
**       carried, so replacing it would lose them. It stays, and the update is tried on the next start.
**
**   (7) The update and its renumbering of the packages are one step: a copy whose list renumbers a row
**       is renamed into place only when the package catalogue can take the re-pointing at once (the
**       person's own file, in place and free of other programs). Otherwise the update waits whole: the
**       copy goes, the installed file and the packages stay as they were, a warning says why, and the
**       next start tries again. A list pending after a swap is then only what a stop between the
**       rename and the commit (or another program taking the file in that moment) leaves.
**
** Stages, in order. The crash-safety test stops an update at each stage it names (Stage below):
**
**   stage            state of the files                            performed by
**   ---------------  --------------------------------------------  ------------------------------------
**   (opening)        pending list finished; installed file read    CatalogueUpdate::openInstalled
**   Staging          bundle copy at <catalogue>.updating, user      CatalogueReplacement::run, the
**                    rows going into it in one transaction          helper's carry-over (resetdatabase)
**   Staged           copy complete and flushed; installed file      CatalogueReplacement::run, which
**                    untouched                                     waits here unless the packages can
**                                                                  follow (7)
**   Swapped          copy renamed over the installed file;          CatalogueReplacement::run
**                    packages still on old ids, list pending
**   Remapping        packages re-pointed and list dropped, inside   PendingPackageRemap::apply
**                    one commit not yet made
**   (done)           committed: new catalogue, packages on it
**
** A stop before Swapped leaves the installed file as it was and a stray .updating copy that the next
** update makes again; a stop at or after Swapped leaves a list that (4) finishes. The package catalogue
** and the new catalogue are committed together through SQLite's multi-file commit (the catalogue is
** attached to the package catalogue's connection), which is why every catalogue keeps a rollback
** journal (see CatalogueDatabase).
*/
class CatalogueUpdate {
 public:
  enum class Stage { Staging, Staged, Swapped, Remapping };

  using Observer = std::function<void(Stage stage)>;

  // Installs (or, with an empty function, removes) the one listener; returns the previous one.
  // Nothing listens in the app: a crash-safety test listens to stop an update at a stage.
  static Observer setObserver(Observer observer);
  static void reached(Stage stage);
  static const char* name(Stage stage);
  // Says that Library/<fileName> stays at its installed version (why was logged where it failed).
  static void keptInstalled(const std::string& fileName);

  // How a rebuild from a source went: done; not begun, because the source's rows could not be read
  // (nothing more can come of that source); or not written, the installed file untouched (a full disk, a
  // bundle copy missing), which may go another time.
  enum class Rebuilt { Done, SourceUnreadable, NotWritten };

  enum class Installed { Missing, Open, Unreadable };
  // The opening steps every update shares: closes the helper's own connection, finishes a list an
  // earlier update left (5), and opens the catalogue the user's rows are read from (`source`: the
  // installed Library/<fileName>, or what could be read of a damaged one, see CatalogueRescue) into
  // `installed`, checking that each of `probes` (a SELECT naming the columns the update reads)
  // prepares. Unreadable, logged with `what` ("The lens catalogue"), means it must not be replaced (6);
  // so does a pending list that cannot be finished, something in the catalogue's place that is not one,
  // and a place a rescue keeps empty until it can fill it with the person's rows (CatalogueRescue).
  static Installed openInstalled(CatalogueDatabase& own, CatalogueDatabase& installed, const std::string& source,
                                 std::initializer_list<const char*> probes, const std::string& what);
};

}  // namespace app::storage

