#pragma once

// Shared set-up of the catalogue tests: a fresh app container and the built bundle.
#include <gtest/gtest.h>

#include <string>

#include "platform/foundation/Bundle.h"
#include "platform/log/Log.h"
#include "testing/TempContainer.h"

#ifndef OSTREL_TEST_BUNDLE_DIR
#error "OSTREL_TEST_BUNDLE_DIR must name the built bundle"
#endif

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
