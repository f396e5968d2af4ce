// ostrel as a person leaves it after the setup and lens tours (a custom adapter, a series of their own,
// a saved package), then started over each catalogue in turn damaged in its middle or locked by another
// program for the whole run, over a damaged preference file, and over what is not a readable file in
// the place of a preference, settings or keychain file: the main tour plays, and the package catalogue
// holds afterwards the very packages it held before, whatever ids their rows now have.
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/foundation/AtomicFile.h"
#include "testing/ChildProcess.h"
#include "testing/FileContents.h"
#include "testing/LoopbackServer.h"
#include "testing/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;
using ostrel::testing::ChildProcess;
using ostrel::testing::damagedCopiesOf;
using ostrel::testing::keychainItemOf;
using ostrel::testing::overwriteWithNoise;

constexpr int kPage = 4096;
// Only for a start that would otherwise never end: a tour takes seconds.
constexpr double kHangGuardSeconds = 180;

// Each stored package by what it shows: names, sizes and focal lengths, never ids, which a catalogue
// rebuilt from a damaged one gives anew.
constexpr const char* kPackages = R"(
  SELECT p.packageId, p.packageName,
    IFNULL(m.Manufacturer || ' ' || m.LensSeries, 'no series ' || p.lensManufacturerId),
    IFNULL(c.manufactor || ' ' || c.model || ' ' || f.shootingMode || ' ' || f.width || 'x' || f.height,
           'no format ' || p.cameraFormatId),
    IFNULL(a.LensAdapterName || ' ' || a.AdapterWidthValue || 'x' || a.AdapterHeightValue, 'no adapter ' || p.adapterId),
    IFNULL(g.width || ':' || g.height, 'no guide ' || p.frameGuideId),
    IFNULL(r.width || ':' || r.height, 'no crop ' || p.cropId),
    p.frameGuideShading, p.frameGuideColor,
    (SELECT group_concat(d, ', ') FROM (
       SELECT IFNULL(lm.LensSeries || ' ' || l.FocalLength || '-' || l.FocalLengthMax, 'no lens ' || pl.lensID) AS d
       FROM PackageLensData pl LEFT JOIN lenses.Lenses l ON l.LensId = pl.lensID
       LEFT JOIN lenses.Manufacturer lm ON lm.ManufacturerId = l.ManufacturerId
       WHERE pl.packageId = p.packageId ORDER BY d))
  FROM PackageData p
  LEFT JOIN lenses.Manufacturer m ON m.ManufacturerId = p.lensManufacturerId
  LEFT JOIN formats.FormatContainer f ON f.id = p.cameraFormatId
  LEFT JOIN formats.ManufactorTable c ON c.id = f.manufactorId
  LEFT JOIN adapters.QuorvelLensAdapter a ON a.LensAdapterId = p.adapterId
  LEFT JOIN formats.QuorvelFrameGuide g ON g.id = p.frameGuideId
  LEFT JOIN formats.QuorvelFrameGuide r ON r.id = p.cropId
  ORDER BY p.packageId)";

class KeptPackagesTest : public ::testing::Test {
 protected:
  // ostrel playing `script` in `home` to its end, which must be status 0; its output.
  std::string play(const std::string& home, const std::string& script) {
    std::vector<std::string> arguments = {OSTREL_EXECUTABLE, "--home", home, "--script", script, "--out", home + "/shots"};
    auto environment = ostrel::testing::environmentWithout({"OSTREL_", "DISPLAY=", "WAYLAND_DISPLAY="});
    for (const char* service : {"OSTREL_ANALYTICS_URL=", "OSTREL_INSTALLATIONS_URL="}) {
      environment.push_back(service + server_.url(""));
    }
    return ChildProcess::runToSuccess(arguments, environment, kHangGuardSeconds);
  }
  static std::string tour(const char* name) { return std::string(OSTREL_SOURCE_DIR) + "/resources/tour/" + name; }

  static std::string packagesIn(const std::string& home) {
    const std::string library = home + "/Library/";
    sqlite3* db = nullptr;
    std::string text;
    if (sqlite3_open_v2((library + "QuorvelPackageDatabase.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
      for (const auto& [file, name] : {std::pair{"LensDatabase.db", "lenses"}, {"QuorvelFormatDatabase.db", "formats"},
                                       {"QuorvelLensAdapterDb.db", "adapters"}}) {
        const std::string attach = "ATTACH '" + library + file + "' AS " + name;
        sqlite3_exec(db, attach.c_str(), nullptr, nullptr, nullptr);
      }
      sqlite3_stmt* rows = nullptr;
      sqlite3_prepare_v2(db, kPackages, -1, &rows, nullptr);
      while (sqlite3_step(rows) == SQLITE_ROW) {
        for (int i = 0; i < sqlite3_column_count(rows); ++i) {
          const auto* value = sqlite3_column_text(rows, i);
          text += std::string(value ? reinterpret_cast<const char*>(value) : "") + " | ";
        }
        text += "\n";
      }
      sqlite3_finalize(rows);
    }
    sqlite3_close(db);
    return text;
  }

  static void damage(const std::string& path, std::streamoff offset, int bytes) {
    overwriteWithNoise(path, offset, bytes, 11);
  }
  // The first page of `object` (a table or an index) in the catalogue at `path`.
  static int pageOf(const std::string& path, const std::string& object) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* page = nullptr;
    sqlite3_prepare_v2(db, ("SELECT MIN(pageno) FROM dbstat WHERE name = '" + object + "'").c_str(), -1, &page, nullptr);
    const int found = sqlite3_step(page) == SQLITE_ROW ? sqlite3_column_int(page, 0) : 0;
    sqlite3_finalize(page);
    sqlite3_close(db);
    return found;
  }

  ostrel::testing::LoopbackServer server_;
  ostrel::testing::ScratchFolder scratch_;
};

// A FIFO, a link to a device and a file as good as endless in the place of each preference and settings
// file and of a keychain item, and a link that leads nowhere or round in a loop at the preference file's
// path: every start ends, names each, keeps aside what is a file and leaves the rest where it stands.
TEST_F(KeptPackagesTest, NothingInAStoredFilesPlaceHangsAStartOrCostsAPackage) {
  const std::string made = scratch_.pathFor("made");
  play(made, tour("setup.script"));
  play(made, tour("lenses.script"));
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
      {"a link to a device", files, [](const std::string& path) { fs::create_symlink("/dev/zero", path); }},
      {"a regular file", files,
       [](const std::string& path) {
         std::ofstream(path) << "bplist00";
         fs::resize_file(path, std::uintmax_t{1} << 40);
       }},
      {"a link that leads nowhere", {files[0]}, [](const std::string& path) { fs::create_symlink("/mnt/gone/p", path); }},
      {"a link in a loop", {files[0]}, [](const std::string& path) { fs::create_symlink(path, path); }},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& each = cases[i];
    const std::string home = scratch_.pathFor("stranger-" + std::to_string(i));
    fs::copy(made, home, fs::copy_options::recursive);
    for (const auto& file : each.files) {
      ASSERT_TRUE(fs::remove(home + "/" + file)) << file;
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
      EXPECT_EQ(platform::foundation::AtomicFile::whatStandsAt(path), each.kind) << file;
      EXPECT_NE(output.find(path + " is " + each.kind), std::string::npos) << file << "\n" << output;
    }
  }
}

TEST_F(KeptPackagesTest, NoDamagedOrLockedFileCostsAPackage) {
  const std::string made = scratch_.pathFor("made");
  play(made, tour("setup.script"));
  play(made, tour("lenses.script"));
  const std::string before = packagesIn(made);
  ASSERT_NE(before.find("Front Anamorphic"), std::string::npos) << before;
  ASSERT_EQ(before.find(" no "), std::string::npos) << before;

  struct Case {
    const char* file;
    // Damages the file at `path`; none: the file is locked for the run instead.
    std::function<void(const std::string& path)> damage;
  };
  const auto middle = [](int bytes) {
    return [bytes](const std::string& path) {
      damage(path, static_cast<std::streamoff>(fs::file_size(path) / 2 / kPage * kPage) - bytes / 2, bytes);
    };
  };
  const std::vector<Case> cases = {
      {"Library/LensDatabase.db", middle(2 * kPage)},
      {"Library/QuorvelFormatDatabase.db", middle(2 * kPage)},
      // The adapter catalogue is one page of rows: the shipped rows' end of it.
      {"Library/QuorvelLensAdapterDb.db", [](const std::string& path) { damage(path, 2 * kPage - 512, 512); }},
      // The package catalogue holds nothing but the person's rows: the index beside them.
      {"Library/QuorvelPackageDatabase.db",
       [](const std::string& path) {
         damage(path, static_cast<std::streamoff>(pageOf(path, "PackageLensDataByPackage") - 1) * kPage, kPage);
       }},
      {"Library/LensDatabase.db", nullptr},
      {"Library/QuorvelFormatDatabase.db", nullptr},
      {"Library/QuorvelLensAdapterDb.db", nullptr},
      {"Library/QuorvelPackageDatabase.db", nullptr},
      {"Documents/FramesData.plist", [](const std::string& path) { std::ofstream(path, std::ios::trunc) << "<plist><dict><key>"; }},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& each = cases[i];
    const std::string home = scratch_.pathFor("case-" + std::to_string(i));
    fs::copy(made, home, fs::copy_options::recursive);
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

}  // namespace
