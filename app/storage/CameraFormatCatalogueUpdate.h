#pragma once

#include <string>
#include <vector>

#include "app/storage/recovery/CatalogueKind.h"
#include "app/storage/recovery/CatalogueUpdate.h"

namespace app::storage {

class CameraFormatCatalogue;

// The camera-format catalogue brought to the bundle's version (CatalogueUpdate.h): the person's cameras
// with their formats, and their crops and frame guides, carried into the new catalogue under new ids,
// where a ratio the new catalogue ships too gives way to the shipped one; the frame guide chosen kept
// chosen; the stored packages re-pointed, in one list.
class CameraFormatCatalogueUpdate {
 public:
  // With the person's rows read from `source` (the installed catalogue, or what could be read of a
  // damaged one); `own` is the helper whose connection is closed first.
  [[nodiscard]] static CatalogueUpdate::Rebuilt run(CameraFormatCatalogue& own, const std::string& source);
  // run from what could be read of a damaged catalogue: how the format catalogue's rows are carried.
  [[nodiscard]] static CatalogueUpdate::Rebuilt carryRowsFrom(const std::string& readable);
  // The person's rows as a copy holds them, and the rows a carry puts in their place (PersonsRows).
  static std::vector<CatalogueKind::PersonsRowQuery> personsRows();
};

}  // namespace app::storage
