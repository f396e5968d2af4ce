// ostrel as a person leaves it after the setup and lens tours (a custom adapter, a series of their own,
// a saved package), then started over each catalogue in turn damaged in its middle or locked by another
// program for the whole run, over a damaged preference file, and over what is not a readable file in
// the place of a preference, settings or keychain file: the main tour plays, and the package catalogue
// holds afterwards the very packages it held before, whatever ids their rows now have.
#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "cmd/ostrel/KeptPackagesTest.h"
#include "platform/foundation/AtomicFile.h"

namespace {

using ostrel::testing::damagedCopiesOf;
using ostrel::testing::keychainItemOf;
using ostrel::testing::KeptPackagesTest;

TEST_F(KeptPackagesTest, NoDamagedOrLockedFileCostsAPackage) {
  const std::string made = madeByTheTours();
  const std::string before = packagesIn(made);

  struct Case {
    const char* file;
    // Damages the file at `path`; none: the file is locked for the run instead.
    std::function<void(const std::string& path)> damage;
  };
  const std::vector<Case> cases = {
      {"Library/LensDatabase.db", damageRows},
      {"Library/QuorvelFormatDatabase.db", damageRows},
      {"Library/QuorvelLensAdapterDb.db", damageRows},
      {"Library/QuorvelPackageDatabase.db", damageRows},
      {"Library/LensDatabase.db", nullptr},
      {"Library/QuorvelFormatDatabase.db", nullptr},
      {"Library/QuorvelLensAdapterDb.db", nullptr},
      {"Library/QuorvelPackageDatabase.db", nullptr},
      {"Documents/FramesData.plist", [](const std::string& path) { std::ofstream(path, std::ios::trunc) << "<plist><dict><key>"; }},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& each = cases[i];
    const std::string home = copyOf(made, "case-" + std::to_string(i));
    const std::string path = home + "/" + each.file;
    const std::string what = std::string(each.file) + (each.damage ? " damaged" : " locked");
    sqlite3* holder = nullptr;
    if (each.damage) {
      each.damage(path);
    } else {
      ASSERT_EQ(sqlite3_open(path.c_str(), &holder), SQLITE_OK);
      ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    const std::string output = play(home, OSTREL_TOUR);
    sqlite3_close(holder);
    EXPECT_EQ(packagesIn(home), before) << what << "\n" << output;
    if (each.damage) {
      const auto kept = damagedCopiesOf(path);
      EXPECT_EQ(kept.size(), 1u) << what;
      if (!kept.empty()) {
        EXPECT_NE(output.find("kept as " + kept[0]), std::string::npos) << what << "\n" << output;
      }
    } else {
      EXPECT_NE(output.find("is in use elsewhere"), std::string::npos) << what << "\n" << output;
    }
  }
}

// A FIFO, a link to a device and a file as good as endless in the place of each preference and settings
// file and of a keychain item, and a link that leads nowhere or round in a loop at the preference file's
// path: every start ends, names each, keeps aside what is a file and leaves the rest where it stands.
TEST_F(KeptPackagesTest, NothingInAStoredFilesPlaceHangsAStartOrCostsAPackage) {
  const std::string made = madeByTheTours();
  const std::string before = packagesIn(made);
  const std::string firstOpens = keychainItemOf(made, "_pfo");
  ASSERT_FALSE(firstOpens.empty());
  const std::vector<std::string> files = {"Documents/FramesData.plist", "Documents/InteractiveGuideSettings.plist",
                                          "Library/Preferences/ostrel-shell.plist",
                                          "Library/Preferences/com.vadeze.vmp.measurement.plist",
                                          firstOpens.substr(made.size() + 1)};
  struct Case {
    const char* kind;
    std::vector<std::string> files;
    std::function<void(const std::string& path)> place;
  };
  const std::vector<Case> cases = {
      {"a FIFO", files, [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }},
      {"a link to a device", files, [](const std::string& path) { std::filesystem::create_symlink("/dev/zero", path); }},
      {"a regular file", files,
       [](const std::string& path) {
         std::ofstream(path) << "bplist00";
         std::filesystem::resize_file(path, std::uintmax_t{1} << 40);
       }},
      {"a link that leads nowhere", {files[0]}, [](const std::string& path) { std::filesystem::create_symlink("/mnt/gone/p", path); }},
      {"a link in a loop", {files[0]}, [](const std::string& path) { std::filesystem::create_symlink(path, path); }},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& each = cases[i];
    const std::string home = copyOf(made, "stranger-" + std::to_string(i));
    for (const auto& file : each.files) {
      ASSERT_TRUE(std::filesystem::remove(home + "/" + file)) << file;
      each.place(home + "/" + file);
    }
    const std::string output = play(home, OSTREL_TOUR);
    EXPECT_EQ(packagesIn(home), before) << each.kind << "\n" << output;
    for (const auto& file : each.files) {
      const std::string path = home + "/" + file;
      const auto kept = damagedCopiesOf(path);
      if (std::string(each.kind) == "a regular file") {
        ASSERT_EQ(kept.size(), 1u) << file;
        EXPECT_NE(output.find("kept as " + kept[0]), std::string::npos) << file << "\n" << output;
        continue;
      }
      EXPECT_TRUE(kept.empty()) << file;
      EXPECT_EQ(platform::foundation::AtomicFile::whatStandsAt(path).words(), each.kind) << file;
      EXPECT_NE(output.find(path + " is " + each.kind), std::string::npos) << file << "\n" << output;
    }
  }
}

}  // namespace

namespace {

// The setup tour over a lens catalogue that can be read but not written, after a start that left the
// second standard package's series selected in it: a package is never given that selection for its own.
class UnwritableLensCatalogueTest : public KeptPackagesTest {
 protected:
  void expectPackagesKeepTheirLenses(const std::function<std::vector<std::string>(const std::string& home)>& unwritable) {
    const std::string made = madeByTheTours();
    play(made, script("wait 1\n"));
    const std::string before = packagesIn(made);
    const std::string home = copyOf(made, "unwritable");
    const auto command = unwritable(home);
    play(home, tour("setup.script"), command);
    const std::string after = packagesIn(home);
    EXPECT_EQ(holdingsOf(after, "-2"), holdingsOf(before, "-2")) << before << after;
    EXPECT_EQ(holdingsOf(after, "-1"), holdingsOf(before, "-1")) << before << after;
    EXPECT_EQ(holdingsOf(after, "2"), holdingsOf(before, "-2")) << "the package saved under a name\n" << after;
  }
};

TEST_F(UnwritableLensCatalogueTest, ALockAnotherProgramHoldsLendsNoPackageAnothersLenses) {
  sqlite3* holder = nullptr;
  expectPackagesKeepTheirLenses([&holder](const std::string& home) {
    EXPECT_EQ(sqlite3_open((home + "/Library/LensDatabase.db").c_str(), &holder), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    return std::vector<std::string>();
  });
  sqlite3_close(holder);
}

TEST_F(UnwritableLensCatalogueTest, AReadOnlyFileLendsNoPackageAnothersLenses) {
  if (const std::string why = otherUserUnavailable(); !why.empty()) GTEST_SKIP() << why;
  expectPackagesKeepTheirLenses(
      [](const std::string& home) { return asNobodyOverReadOnly(home, "LensDatabase.db"); });
}

}  // namespace
