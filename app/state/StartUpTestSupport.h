#pragma once

// Shared set-up of the start-up tests: a fresh container, the built bundle and a fixed region; each
// launch is a new state object reading what the last one left.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/state/FramesObject.h"
#include "app/state/SavedThemeFlag.h"
#include "app/storage/PackageDatabaseHelper.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/CurrentRegion.h"
#include "platform/foundation/PropertyList.h"
#include "platform/log/Log.h"
#include "testing/TempContainer.h"

namespace ostrel::testing {

using platform::foundation::CurrentRegion;
using platform::foundation::Dictionary;
using platform::foundation::PropertyList;
using platform::foundation::Value;

class StartUpTest : public ::testing::Test {
 protected:
  StartUpTest()
      : previousBundle_(platform::foundation::Bundle::setMainPath(OSTREL_TEST_BUNDLE_DIR)),
        previousRegion_(CurrentRegion::setOverride("DE")) {}
  ~StartUpTest() override {
    CurrentRegion::setOverride(previousRegion_);
    platform::foundation::Bundle::setMainPath(previousBundle_);
  }

  std::unique_ptr<app::state::FramesObject> launch() {
    auto state = std::make_unique<app::state::FramesObject>();
    state->loadPrefs();
    return state;
  }
  static Value stored() { return PropertyList::readFile(app::state::FramesObject::preferencePath()); }
  static void store(Dictionary preferences) {
    ASSERT_TRUE(PropertyList::writeFile(app::state::FramesObject::preferencePath(), Value(std::move(preferences)),
                                        PropertyList::Format::Xml));
    app::state::SavedThemeFlag::fileChanged();
  }
  // The file a first launch leaves, with some keys changed.
  static void storeChanged(const Dictionary& changes) {
    Dictionary preferences = *stored().dictionary();
    for (const auto& [key, value] : changes) preferences[key] = value;
    store(std::move(preferences));
  }
  static app::storage::PackageDatabaseObject storedPackage(int id) {
    app::storage::PackageDatabaseHelper packages;
    EXPECT_TRUE(packages.openDb(false));
    return packages.loadPackage(id).value_or(app::storage::PackageDatabaseObject());
  }
  // Exactly what a first launch writes.
  static Value firstStartValues(const std::string& region) {
    return Value(Dictionary{{"Version", 32},
                            {"DBVersion", app::state::FramesObject::kDBVersion},
                            {"FormatOneID", 1084},
                            {"FormatTwoID", 599},
                            {"App_Start_Count", 1},
                            {"LensAdapterOne", 1.0},
                            {"LensAdapterTwo", 1.0},
                            {"FMATRIXROW", 4.0},
                            {"FMATRIXMODUS", 0.0},
                            {"quorvelAnamorphicUpdateDone", true},
                            {"appIsVersion3", true},
                            {"COCFACTOR", 1500},
                            {"SETTINGS_COLORTHEME", 0},
                            {"SETTINGS_APPINDARKMODE", true},
                            {"SETTINGS_HAPTICFEEDBACK", true},
                            {"SETTINGS_SNAP", true},
                            {"LENSMATCHTYPE", 0},
                            {"SETTINGS_MeasurementSystem", region == "US" ? 1 : 0}});
  }
  bool logged(const std::string& text) const { return log_.contains(text); }
  size_t positionOf(const std::string& text) const {
    const auto lines = log_.lines();
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].message == text) return i;
    }
    return lines.size();
  }

  ostrel::testing::TempContainer container_;
  platform::log::CapturedLines log_;
  std::string previousBundle_;
  std::string previousRegion_;
};

}  // namespace ostrel::testing
