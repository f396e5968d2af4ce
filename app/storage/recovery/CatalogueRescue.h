#pragma once

#include <string>

#include "app/storage/recovery/CatalogueKind.h"

namespace app::storage {

/*
** THE RESCUE OF A DAMAGED CATALOGUE
**
** A damaged catalogue is kept aside and replaced by the bundle's copy with the person's own rows
** (custom cameras, lenses, adapters, saved packages) that SQLite can still read carried into it. The
** rows are first copied, under their ids, into a scratch catalogue (CatalogueSalvage); the catalogue's
** own carry-over then reads that scratch copy as an update reads the installed file, so they arrive
** renumbered as an update would have them and the stored packages follow.
**
** Invariants, whatever stops a rescue (a kill, a full disk):
**
**   (1) A note beside the catalogue ("<fileName>.rescuing") names the copy the damaged file is about to
**       become, by what a rename and a copy of the container keep (its file name); it is written before
**       the file is moved aside, and with no room for it the file is not moved (it stays in place,
**       unread, until there is room).
**   (2) The note goes only once the catalogue in place holds the person's rows, or once nothing more of
**       them can come of the kept copy (what it holds cannot be read for its damage, or its rows cannot
**       be carried; a bare copy then takes the place and the kept copy stays for the person). Anything
**       else that stands in the way (no room, something in the empty place, something SQLite cannot use
**       beside the kept copy or where the scratch or fresh copy is made, a kept copy the app may not
**       read now or a link at its name that leads nowhere) keeps the note, is named, and the rescue is
**       tried again once it is gone. A link at the kept copy's name to a file is read as that file.
**   (3) While the note is there the catalogue's place stays empty: nothing seeds it, updates it or reads
**       it, and every open tries the rescue again from the kept copy (a catalogue left alone for a
**       while, as a locked one is). So nothing built on its rows is deleted or written over meanwhile.
**   (4) The fresh copy names the kept copy in it (table RescueCarriedFrom) before it takes the place,
**       so that a rescue cut short after the rename knows it from a file someone else put there, and
**       so does a copy of the container. An unmarked file there (an older version's fresh copy, or
**       anyone's) ends the rescue only when it is a sound catalogue holding every row of the person's
**       that the kept copy holds, compared by every value the person set (PersonsRows).
**   (5) Only a note a rescue wrote is read or removed. Anything else at its name (a FIFO, noise,
**       another user's file) is named and left; while it stands, the catalogue's empty place is not
**       filled and no rescue begins, since it may stand for one the app cannot see.
*/
class CatalogueRescue {
 public:
  // Keeps the damaged catalogue of `kind` aside and puts a fresh one in its place, with the person's
  // rows carried as the kind carries them and a warning naming the kept copy. True once the fresh copy
  // is in place; false when the file could not be moved or the fresh copy could not be written yet (the
  // rescue is then pending, and said so).
  static bool keepAsideAndReplace(const CatalogueKind& kind);

  // Whether a rescue of Library/<fileName> (or of the catalogue at `path`) is still to finish (3).
  [[nodiscard]] static bool isPending(const std::string& fileName);
  [[nodiscard]] static bool isPendingAt(const std::string& path);
  // Tries a pending rescue again and says how it went; false when it is still pending and the catalogue
  // must be left alone for a while. (While something that is not a file stands in the empty place, the
  // rescue waits, and the open names what stands there.)
  [[nodiscard]] static bool resume(const CatalogueKind& kind);

  // Marks the fresh copy being built at `staging` as the one that carries the rows of the kept copy a
  // pending rescue of Library/<fileName> names (4); true when there is none to name. Called before the
  // copy is flushed and renamed into place.
  [[nodiscard]] static bool markFreshCopy(const std::string& fileName, const std::string& staging);

  // The files a rescue of the catalogue at `path` leaves while it runs: its note and its scratch copy.
  static std::string notePath(const std::string& path);
  static std::string scratchPath(const std::string& path);

 private:
  struct Attempt {
    bool ended = false;
    std::string then;  // how the warning naming the kept copy ends
  };
  static Attempt replaceFrom(const std::string& kept, const CatalogueKind& kind);
};

}  // namespace app::storage
