#pragma once

// Shared set-up of the catalogue tests: a fresh app container and the built bundle.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/FrameGuideCatalogue.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/connection/CatalogueDatabase.h"
#include "app/storage/recovery/CataloguePlace.h"
#include "app/storage/recovery/CatalogueSeeding.h"
#include "platform/foundation/Bundle.h"
#include "platform/log/Log.h"
#include "testing/TempContainer.h"

using app::storage::CatalogueDatabase;
using app::storage::CatalogueStatement;

#ifndef OSTREL_TEST_BUNDLE_DIR
#error "OSTREL_TEST_BUNDLE_DIR must name the built bundle"
#endif

namespace ostrel::testing {

class StorageTest : public ::testing::Test {
 protected:
  StorageTest() : previousBundle_(platform::foundation::Bundle::setMainPath(OSTREL_TEST_BUNDLE_DIR)) {}
  ~StorageTest() override { platform::foundation::Bundle::setMainPath(previousBundle_); }

  // Points the bundle at an empty folder, so that no catalogue can be seeded.
  void useEmptyBundle() { platform::foundation::Bundle::setMainPath(container_.pathFor("EmptyBundle")); }
  void useBuiltBundle() { platform::foundation::Bundle::setMainPath(OSTREL_TEST_BUNDLE_DIR); }

  ostrel::testing::TempContainer container_;
  platform::log::CapturedLines log_;

 private:
  std::string previousBundle_;
};

// The four catalogues, in the order a start names them.
inline constexpr const app::storage::CatalogueKind* kEveryCatalogue[] = {
    &app::storage::LensDatabaseHelper::kKind, &app::storage::CameraFormatCatalogue::kKind,
    &app::storage::LensAdapterCatalogue::kKind, &app::storage::PackageDatabaseHelper::kKind};

// Seeds every missing catalogue as a first start does, so that none reads as seeded over a missing one.
inline void seedAsAFirstStart() {
  std::vector<const app::storage::CatalogueKind*> missing;
  for (const auto* kind : kEveryCatalogue) {
    if (app::storage::CataloguePlace::stateOf(CatalogueDatabase::libraryPath(kind->fileName)) ==
        app::storage::CataloguePlace::State::Missing) {
      missing.push_back(kind);
    }
  }
  app::storage::CataloguePlace::startFoundEveryCatalogueMissing(missing);
  static_cast<void>(app::storage::CatalogueSeeding::seedAllMissing(kEveryCatalogue));
}

// The first column of the first row `sql` gives (a COUNT, an id), or -1 when there is none.
inline int countOf(CatalogueDatabase& database, const std::string& sql) {
  auto statement = database.prepare(sql);
  return statement.step() == CatalogueStatement::Step::Row ? statement.columnInt(0) : -1;
}

// The same through a helper of its own, so that nothing stays open between checks.
template <class Helper>
int countIn(const std::string& sql) {
  Helper helper;
  EXPECT_TRUE(helper.openDb(false));
  return countOf(helper.database(), sql);
}

// The id of the one selected lens series, adapter or frame guide; 0 when none or several are selected.
inline int selectedSeries() {
  return countIn<app::storage::LensDatabaseHelper>(
      "SELECT IIF(COUNT(*) = 1, MAX(ManufacturerId), 0) FROM Manufacturer WHERE Selected = 1");
}
inline int selectedAdapter() {
  return countIn<app::storage::LensAdapterCatalogue>(
      "SELECT IIF(COUNT(*) = 1, MAX(LensAdapterId), 0) FROM QuorvelLensAdapter WHERE AdapterSelected = 1");
}
inline int selectedGuide() {
  return countIn<app::storage::FrameGuideCatalogue>(
      "SELECT IIF(COUNT(*) = 1, MAX(id), 0) FROM QuorvelFrameGuide WHERE selected = 1");
}

// Runs `use` on a freshly opened helper and gives back what it returns.
template <class Helper, class Use>
auto withOpen(Use&& use) {
  Helper helper;
  EXPECT_TRUE(helper.openDb(false));
  return use(helper);
}

}  // namespace ostrel::testing
