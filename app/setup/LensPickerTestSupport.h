#pragma once

// Shared by the lens picker's tests: the setup screens' environment, with helpers that put series and
// lenses of the user's own into the lens catalogue and read back what it has selected.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/setup/SetupTestSupport.h"
#include "app/storage/CatalogueUpdateTestSupport.h"
#include "app/storage/LensDatabaseHelper.h"

namespace ostrel::testing {

class LensPickerTestEnvironment : public SetupTestEnvironment {
 public:
  using SetupTestEnvironment::SetupTestEnvironment;

  // A series of the user's own; its id.
  static int addSeries(const std::string& maker, float squeeze, const std::string& type = "Prime Lens") {
    app::storage::LensDatabaseHelper catalogue;
    EXPECT_TRUE(catalogue.openDb(false));
    app::model::LensManufacturer series(-1, maker, "", type, 0, squeeze, 1);
    return catalogue.insertManufacturer(series);
  }
  // A lens of the user's own, not selected; its id.
  static int addLens(int seriesId, float focal, float focalMax = 0, const std::string& type = "Prime Lens") {
    app::storage::LensDatabaseHelper catalogue;
    EXPECT_TRUE(catalogue.openDb(false));
    app::model::LensObject lens = ostrel::testing::scenes::lens(seriesId, focal, 0, type, focalMax);
    return catalogue.insertNewLensWithOutSelectionUpdate(lens);
  }
  static std::vector<app::model::LensObject> lensesOf(int seriesId) {
    app::storage::LensDatabaseHelper catalogue;
    EXPECT_TRUE(catalogue.openDb(false));
    return catalogue.getAllLensesForManufacturer(seriesId);
  }
  static std::vector<float> selectedFocalLengths(int seriesId) {
    app::storage::LensDatabaseHelper catalogue;
    EXPECT_TRUE(catalogue.openDb(false));
    std::vector<float> focals;
    for (const auto& lens : catalogue.getSelectedLenses4Manufacturer(seriesId)) focals.push_back(lens.focalLength);
    return focals;
  }
};

}  // namespace ostrel::testing
