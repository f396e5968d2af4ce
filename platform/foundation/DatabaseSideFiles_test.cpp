#include "platform/foundation/DatabaseSideFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "testing/ScratchFolder.h"

namespace platform::foundation {
namespace {

namespace fs = std::filesystem;

// Only a regular file the process may read and write is a side file SQLite may use; whatever else
// stands there is named, and nothing is followed, opened for long or changed.
TEST(DatabaseSideFilesTest, NamesWhatSQLiteCouldNotUseBesideADatabase) {
  ostrel::testing::ScratchFolder folder;
  const std::string database = folder / "store.db";
  std::ofstream(database) << "database";
  EXPECT_TRUE(DatabaseSideFiles::strangersBeside(database).empty()) << "nothing beside it";
  std::ofstream(database + "-journal") << "rollback";
  std::ofstream(database + "-wal") << "frames";
  EXPECT_TRUE(DatabaseSideFiles::strangersBeside(database).empty()) << "its own side files";

  fs::remove(database + "-journal");
  ASSERT_EQ(::mkfifo((database + "-journal").c_str(), 0600), 0);
  fs::remove(database + "-wal");
  fs::create_symlink(database, database + "-wal");
  fs::create_directory(database + "-shm");
  const auto strangers = DatabaseSideFiles::strangersBeside(database);
  ASSERT_EQ(strangers.size(), 3u);
  EXPECT_EQ(DatabaseSideFiles::described(strangers), "a FIFO stands at " + database + "-journal; a link to a regular file stands at " +
                                                         database + "-wal; a folder stands at " + database + "-shm");
  EXPECT_TRUE(fs::is_fifo(database + "-journal")) << "left in place";

  // Through a link, SQLite keeps them beside the file it leads to.
  const std::string link = folder / "linked.db";
  fs::create_symlink(database, link);
  ASSERT_EQ(DatabaseSideFiles::strangersBeside(link).size(), 3u);
  EXPECT_EQ(DatabaseSideFiles::strangersBeside(link).front().path, database + "-journal");
  ASSERT_EQ(::mkfifo((link + "-journal").c_str(), 0600), 0);
  EXPECT_EQ(DatabaseSideFiles::strangersBeside(link).size(), 3u) << "nothing SQLite opens stands beside the link";
}

}  // namespace
}  // namespace platform::foundation
