#pragma once

#include <string>
#include <vector>

#include "app/storage/recovery/CatalogueKind.h"
#include "app/storage/recovery/CatalogueUpdate.h"

namespace app::storage {

class LensDatabaseHelper;

// The lens catalogue brought to the bundle's version (CatalogueUpdate.h): the person's series with their
// lenses and the lenses they added to shipped series carried into the new catalogue under new ids,
// where a lens the new catalogue ships too gives way to the shipped one; the sets chosen among shipped
// lenses kept; the stored packages re-pointed.
class LensDatabaseUpdate {
 public:
  // With the person's rows read from `source` (the installed catalogue, or what could be read of a
  // damaged one); `own` is the helper whose connection is closed first.
  [[nodiscard]] static CatalogueUpdate::Rebuilt run(LensDatabaseHelper& own, const std::string& source);
  // run from what could be read of a damaged catalogue: how the lens catalogue's rows are carried.
  [[nodiscard]] static CatalogueUpdate::Rebuilt carryRowsFrom(const std::string& readable);
  // The person's rows as a copy holds them, and the rows a carry puts in their place (PersonsRows).
  static std::vector<CatalogueKind::PersonsRowQuery> personsRows();
};

}  // namespace app::storage
