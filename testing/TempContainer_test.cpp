#include "testing/TempContainer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/PreferencesDomain.h"

namespace ostrel::testing {
namespace {

using platform::foundation::AtomicFile;
using platform::foundation::Paths;
using platform::foundation::PreferencesDomain;
using platform::foundation::Value;

TEST(TempContainer, PointsPathsAtAFreshFolderAndCleansUp) {
  std::string saved = Paths::setRoot("/nonexistent/outer-root");
  std::string path;
  {
    TempContainer container;
    path = container.path();
    EXPECT_TRUE(std::filesystem::is_empty(path));
    EXPECT_EQ(Paths::documents(), container.pathFor("Documents"));
    ASSERT_TRUE(AtomicFile::writeAtomically(Paths::documents() + "/FramesData.plist", "x").ok());
    {
      TempContainer inner;
      EXPECT_NE(inner.path(), path);
      EXPECT_EQ(Paths::root(), inner.path());
    }
    EXPECT_EQ(Paths::root(), path);  // the outer container is back
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(Paths::rootOverride(), "/nonexistent/outer-root");
  Paths::setRoot(saved);
}

// What a test leaves unsaved goes with its container: neither the exit's save of every pending change
// nor a save by whoever still holds the container's preferences (a timer, a queue) makes the folder again,
// and a later container of the same path starts from its own empty preferences.
TEST(TempContainer, PreferencesLeftUnsavedGoWithIt) {
  std::string path;
  std::shared_ptr<PreferencesDomain> held;
  {
    TempContainer container;
    path = container.path();
    held = PreferencesDomain::named("left.unsaved");
    ASSERT_TRUE(held->setValue("count", Value(1)));
  }
  PreferencesDomain::synchronizeAll();
  EXPECT_TRUE(held->synchronize());
  EXPECT_TRUE(held->setValue("count", Value(2)));
  EXPECT_FALSE(held->hasPendingChanges());
  EXPECT_TRUE(held->synchronize());
  EXPECT_FALSE(std::filesystem::exists(path));

  const std::string saved = Paths::setRoot(path);
  EXPECT_NE(PreferencesDomain::named("left.unsaved"), held);
  EXPECT_TRUE(PreferencesDomain::named("left.unsaved")->copyValue("count").isNil());
  Paths::setRoot(saved);
  PreferencesDomain::forgetFolder(path);
  std::filesystem::remove_all(path);
}

}  // namespace
}  // namespace ostrel::testing
