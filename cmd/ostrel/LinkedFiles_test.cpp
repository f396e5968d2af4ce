// ostrel over the container the setup and lens tours leave, with the preference file and every catalogue
// moved to a folder outside it (another disk) and a link left in each place: a start that updates the
// catalogues, as a new build's first does, and saves the preferences writes the files the links lead to,
// keeps every link, and loses none of the person's rows or packages.
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

#include "cmd/ostrel/KeptPackagesTest.h"
#include "testing/FileContents.h"

namespace {

namespace fs = std::filesystem;

using ostrel::testing::contentsOf;
using ostrel::testing::KeptPackagesTest;

constexpr const char* kLinked[] = {"Documents/FramesData.plist", "Library/LensDatabase.db", "Library/QuorvelFormatDatabase.db",
                                   "Library/QuorvelLensAdapterDb.db", "Library/QuorvelPackageDatabase.db"};

ino_t inodeOf(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// The preference file's catalogue version set back, as an older build left it: the next start updates
// the lens, format and adapter catalogues.
void writtenByAnOlderBuild(const std::string& preferences) {
  const std::string text = contentsOf(preferences);
  std::smatch found;
  ASSERT_TRUE(std::regex_search(text, found, std::regex("<key>DBVersion</key>\\s*<integer>([0-9]+)"))) << text;
  std::ofstream(preferences, std::ios::trunc) << text.substr(0, found.position(1)) << "54" << found.suffix();
}

TEST_F(KeptPackagesTest, TheFilesLinksLeadToTakeTheSaveAndTheCatalogueUpdateAndTheLinksStay) {
  const std::string made = madeByTheTours();
  const std::string home = copyOf(made, "linked");
  const std::string elsewhere = scratch_.pathFor("other-disk");
  fs::create_directories(elsewhere);
  std::map<std::string, std::string> farOf;
  for (const char* file : kLinked) {
    const std::string far = elsewhere + "/" + fs::path(file).filename().native();
    fs::rename(home + "/" + file, far);
    fs::create_symlink(far, home + "/" + file);
    farOf[file] = far;
  }
  writtenByAnOlderBuild(farOf["Documents/FramesData.plist"]);
  std::map<std::string, ino_t> inodes;
  for (const auto& [file, far] : farOf) inodes[file] = inodeOf(far);

  const std::string said = play(home, script("wait 1\ndump main\n"));
  for (const auto& [file, far] : farOf) {
    EXPECT_TRUE(fs::is_symlink(home + "/" + file)) << file << "\n" << said;
    std::error_code notALink;
    EXPECT_EQ(fs::read_symlink(home + "/" + file, notALink), far) << file;
    // Written anew, the package catalogue aside, which an update only writes into.
    if (file != "Library/QuorvelPackageDatabase.db") {
      EXPECT_NE(inodeOf(far), inodes[file]) << file << " was not replaced";
    }
  }
  EXPECT_NE(contentsOf(farOf["Documents/FramesData.plist"]).find("<integer>55</integer>"), std::string::npos)
      << "the save reached the file the link leads to";
  EXPECT_EQ(personsRowsIn(home), personsRowsIn(made));
  EXPECT_EQ(packagesIn(home), packagesIn(made));
  std::vector<std::string> names;
  for (const auto& [file, far] : farOf) names.push_back(fs::path(far).filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(namesIn(elsewhere), names) << "no copy or temporary left beside the files";

  // The next start finds the catalogues where the links lead updated: it leaves them where they are.
  for (const auto& [file, far] : farOf) inodes[file] = inodeOf(far);
  const std::string again = play(home, script("wait 1\ndump main\n"));
  for (const auto& [file, far] : farOf) {
    if (file.starts_with("Library/")) {
      EXPECT_EQ(inodeOf(far), inodes[file]) << file << "\n" << again;
    }
  }
  EXPECT_EQ(packagesIn(home), packagesIn(made));
}

}  // namespace
