#pragma once

#include <span>
#include <string>

#include "app/storage/recovery/CatalogueKind.h"

namespace app::storage {

// What killed writes leave beside the catalogues in Library, swept at a start before any catalogue is
// opened, as the preference file's folder is swept for its own. Only names the app's own writes make
// are touched, and only what no live write holds:
//   ".<catalogue>.XXXXXX", ".<catalogue>.updating.XXXXXX", ".<catalogue>.rescuing.XXXXXX": temporaries
//     of a seeding, of an update's copy and of a rescue's note (AtomicFile: a writer holds its temporary
//     locked, and the app is alone in its container, so one of any age is left over);
//   "<catalogue>.updating" and its journal: the copy of an update that was cut short, which the next
//     update makes again from the start (beside the file a link at the catalogue's place leads to, where
//     the update makes it);
//   "<catalogue>.readable": a rescue's scratch copy, once no rescue is pending;
//   "<catalogue>-mjXXXXXXXXX": the super-journal of a commit across catalogues, once no journal that
//     still names it is left. While one is, it is what says that commit was never made (removing it
//     would count the half-made commit as made); SQLite removes it itself once it rolls them back.
class CatalogueSweep {
 public:
  // Gives back how many files went.
  static std::size_t leftoversOf(std::span<const CatalogueKind* const> catalogues);
};

}  // namespace app::storage
