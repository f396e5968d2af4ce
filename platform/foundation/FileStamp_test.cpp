#include "platform/foundation/FileStamp.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "testing/ScratchFolder.h"

namespace platform::foundation {
namespace {

void setModified(const std::string& path, time_t seconds) {
  const timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Each of the ways a file can be another than the one looked at changes the stamp; looking again does not.
TEST(FileStampTest, DiffersOnceTheFileIsAnotherOrWrittenSince) {
  ostrel::testing::ScratchFolder folder;
  const std::string path = folder.path() + "/file";
  EXPECT_FALSE(FileStamp::of(path)) << "nothing there";
  std::ofstream(path) << "abc";
  setModified(path, 1000);
  const auto first = FileStamp::of(path);
  ASSERT_TRUE(first);
  EXPECT_EQ(FileStamp::of(path), first);

  ASSERT_EQ(::symlink(path.c_str(), (folder.path() + "/link").c_str()), 0);
  EXPECT_EQ(FileStamp::of(folder.path() + "/link"), first) << "a link stands for the file it leads to";

  // Another file of the same size and time, put in its place.
  std::ofstream(folder.path() + "/other") << "xyz";
  setModified(folder.path() + "/other", 1000);
  ASSERT_EQ(::rename((folder.path() + "/other").c_str(), path.c_str()), 0);
  const auto replaced = FileStamp::of(path);
  EXPECT_NE(replaced, first);

  // Written in place: longer with the time put back, then as long with another time.
  std::ofstream(path) << "abcd";
  setModified(path, 1000);
  const auto longer = FileStamp::of(path);
  EXPECT_NE(longer, replaced);
  setModified(path, 1001);
  EXPECT_NE(FileStamp::of(path), longer);
}

}  // namespace
}  // namespace platform::foundation
