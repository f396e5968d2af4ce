#include "platform/foundation/PathKind.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/foundation/AtomicFile.h"
#include "testing/ScratchFolder.h"

namespace platform::foundation {
namespace {

namespace fs = std::filesystem;
using Kind = PathKind::Kind;

// Callers decide by these three questions where they once compared words; each must tell a link to a
// file, a file of the app's and a file it may not read apart.
TEST(PathKind, TellsAFileOfItsOwnFromALinkToOneAndFromOneItMayNotRead) {
  ostrel::testing::ScratchFolder folder;
  const std::string file = folder / "file";
  const std::string link = folder / "link";
  ASSERT_TRUE(AtomicFile::writeAtomically(file, "x").ok());
  fs::create_symlink(file, link);

  const PathKind plain = PathKind::at(file);
  EXPECT_TRUE(plain.isPlainFile() && plain.leadsToFile() && !plain.throughLink());
  EXPECT_EQ(plain.words(), "a regular file");

  const PathKind linked = PathKind::at(link);
  EXPECT_TRUE(linked.leadsToFile() && linked.throughLink());
  EXPECT_FALSE(linked.isPlainFile()) << "a link is never taken for the app's own file";
  EXPECT_EQ(linked.words(), "a link to a regular file");

  const PathKind nothing = PathKind::at(folder / "absent");
  EXPECT_TRUE(nothing.isNothing());
  EXPECT_EQ(nothing.words(), "");
  EXPECT_TRUE(PathKind::at(folder.path()).leadsToFolder());
  EXPECT_EQ(PathKind::at(""), nothing);

  fs::permissions(file, fs::perms::none);
  if (!AtomicFile::mayNotRead(file)) GTEST_SKIP() << "this user may read any file (root)";
  EXPECT_TRUE(PathKind::at(file).mayNotRead());
  EXPECT_FALSE(PathKind::at(file).leadsToFile() || PathKind::at(file).isPlainFile());
  EXPECT_EQ(PathKind::at(link).words(), std::string("a link to ") + PathKind::kMayNotReadWords);
  EXPECT_EQ(PathKind::at(link).kind(), Kind::FileMayNotRead);
}

}  // namespace
}  // namespace platform::foundation
