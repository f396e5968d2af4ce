#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/storage/recovery/CatalogueKind.h"
#include "app/storage/recovery/CatalogueUpdate.h"

namespace app::storage {

// The package catalogue as the catalogues below its helper know it: re-pointing the stored packages
// after an update opens it (PendingPackageRemap), so its kind is declared here, and PackageDatabaseHelper
// takes its names from here. Every row of it is the person's.
class PackageCatalogue {
 public:
  static constexpr const char* kFileName = "QuorvelPackageDatabase.db";
  static constexpr const char* kResourceName = "QuorvelPackageDatabase";
  static constexpr std::array<const char*, 2> kTables{"PackageData", "PackageLensData"};
  static const CatalogueKind kKind;

  // Every package of `readable` (what could be read of a damaged catalogue), under its own id, into a
  // fresh Library copy: the fresh copy holds none, so none is renumbered.
  [[nodiscard]] static CatalogueUpdate::Rebuilt carryRowsFrom(const std::string& readable);
  // Every package and its lenses, with what it points at in the other catalogues (their own rescues and
  // updates re-point it where it lies).
  static std::vector<CatalogueKind::PersonsRowQuery> personsRows();
};

}  // namespace app::storage
