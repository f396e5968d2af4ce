#include "testing/TempContainer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Paths.h"

namespace ostrel::testing {
namespace {

using platform::foundation::AtomicFile;
using platform::foundation::Paths;

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

}  // namespace
}  // namespace ostrel::testing
