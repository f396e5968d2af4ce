#pragma once

// The container a person leaves after the setup and lens tours (a custom adapter, a series of their
// own, a saved package), ostrel played over copies of it, and what its catalogues hold, by what each
// row shows rather than by id, which a catalogue rebuilt from a damaged one gives anew.
#include <sqlite3.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "testing/ChildProcess.h"
#include "testing/FileContents.h"
#include "testing/LoopbackServer.h"
#include "testing/OtherUser.h"
#include "testing/ScratchFolder.h"

namespace ostrel::testing {

struct CloseDatabase {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Holder = std::unique_ptr<sqlite3, CloseDatabase>;

// Another program's lock on the catalogue at `path`, held until let go of: `begin` IMMEDIATE lets it be
// read and not written, EXCLUSIVE neither.
inline Holder lockFor(const std::string& path, const char* begin = "BEGIN IMMEDIATE") {
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, begin, nullptr, nullptr, nullptr), SQLITE_OK) << path;
  return Holder(db);
}

// Steps of a script on the setup screens, at the phone's size (390 x 844 points).
namespace steps {
// Package one's setup menu, opened from the main screen.
inline constexpr const char* kOpenSetup = "wait 1\ntap 195 119\nwait 1\n";
// From a menu whose camera has shooting modes: the adapter picker, and the Iscorama tapped.
inline constexpr const char* kPickAdapter = "tap 195 499\nwait 1\ntap 195 407\nwait 1\ndump adapter-picked\n";
// From a menu whose camera has shooting modes: the adapter picker, and the person's own adapter (Front
// Anamorphic, the setup tour's) swiped and deleted, with the screen dumped.
inline constexpr const char* kDeleteOwnAdapter = R"(tap 195 499
wait 1
drag 340 367 100 367 0.3
wait 1
tap 342 367
wait 1
dump adapter-deleted
)";
// OK on a notice; DONE on the setup menu.
inline constexpr const char* kOk = "tap 195 491\nwait 1\n";
inline constexpr const char* kMenuDone = "tap 329 75\nwait 1\n";
}  // namespace steps

class KeptPackagesTest : public ::testing::Test {
 protected:
  static constexpr int kPage = 4096;
  // Only for a start that would otherwise never end: a tour takes seconds.
  static constexpr double kHangGuardSeconds = 180;
  static constexpr const char* kCatalogues[] = {"LensDatabase.db", "QuorvelFormatDatabase.db", "QuorvelLensAdapterDb.db",
                                                "QuorvelPackageDatabase.db"};

  // ostrel playing `script` in `home` to its end, which must be status 0; its output. `runAs` goes
  // before the command (asNobody).
  std::string play(const std::string& home, const std::string& script, std::vector<std::string> runAs = {}) {
    return ChildProcess::runToSuccess(playing(home, script, std::move(runAs)), environment(), kHangGuardSeconds);
  }
  // The command play() runs, and its environment: for a test that acts while ostrel runs.
  static std::vector<std::string> playing(const std::string& home, const std::string& script,
                                          std::vector<std::string> runAs = {}) {
    std::vector<std::string> arguments = std::move(runAs);
    for (const std::string& argument : {std::string(OSTREL_EXECUTABLE), std::string("--home"), home,
                                        std::string("--script"), script, std::string("--out"), home + "/shots"}) {
      arguments.push_back(argument);
    }
    return arguments;
  }
  std::vector<std::string> environment() {
    auto environment = environmentWithout({"OSTREL_", "DISPLAY=", "WAYLAND_DISPLAY="});
    for (const char* service : {"OSTREL_ANALYTICS_URL=", "OSTREL_INSTALLATIONS_URL="}) {
      environment.push_back(service + server_.url(""));
    }
    return environment;
  }
  // A script file of `text`, in the scratch folder.
  std::string script(const std::string& text) {
    const std::string path = scratch_.pathFor("script-" + std::to_string(++scripts_));
    std::ofstream(path) << text;
    return path;
  }
  // Why this suite cannot play ostrel as another user (nobody), for a test that needs a file ostrel's
  // user may not open or write; empty when it can.
  std::string otherUserUnavailable() const {
    return OtherUser::unavailableReason({OSTREL_EXECUTABLE, std::filesystem::path(scratch_.path()).parent_path()});
  }
  // What goes before the command to play ostrel as nobody, with `home` handed to that user.
  static std::vector<std::string> asNobody(const std::string& home) { return OtherUser::commandHanding(home); }
  // asNobody(home), with Library/`file` left root's: a catalogue nobody may read but not write.
  static std::vector<std::string> asNobodyOverReadOnly(const std::string& home, const char* file) {
    auto command = asNobody(home);
    const std::string path = home + "/Library/" + file;
    EXPECT_EQ(::chown(path.c_str(), 0, 0), 0);
    return command;
  }

  static std::string tour(const char* name) { return std::string(OSTREL_SOURCE_DIR) + "/resources/tour/" + name; }

  // A container after the setup and lens tours, made once per test.
  std::string madeByTheTours() {
    const std::string made = scratch_.pathFor("made");
    play(made, tour("setup.script"));
    play(made, tour("lenses.script"));
    const std::string packages = packagesIn(made);
    EXPECT_NE(packages.find("Front Anamorphic"), std::string::npos) << packages;
    EXPECT_EQ(packages.find(" no "), std::string::npos) << packages;
    return made;
  }
  // The setup and lens tours played in `home`, then `steps` of the person's own; the shots they left
  // removed. The packages they stored.
  std::string playTheToursThen(const std::string& home, const std::string& steps) {
    play(home, tour("setup.script"));
    play(home, tour("lenses.script"));
    play(home, script(steps));
    std::filesystem::remove_all(home + "/shots");
    return packagesIn(home);
  }
  // A copy of `made` for one case.
  std::string copyOf(const std::string& made, const std::string& name) {
    const std::string home = scratch_.pathFor(name);
    std::filesystem::copy(made, home, std::filesystem::copy_options::recursive);
    return home;
  }

  // What the screen said in the view-tree dump `name` of the run in `home`.
  static std::string shown(const std::string& home, const std::string& name) {
    return contentsOf(home + "/shots/" + name + ".json");
  }
#ifdef OSTREL_STOP_AFTER_TEXT
  // ostrel's environment, with ostrel stopping itself once it has logged `text` (preloaded).
  std::vector<std::string> stoppingAfter(const std::string& text) {
    auto environment = environmentPreloading(this->environment(), OSTREL_STOP_AFTER_TEXT);
    environment.push_back("OSTREL_TEST_STOP_AFTER_TEXT=" + text);
    return environment;
  }
#endif

  // The line of packagesIn() whose package id is `id`, from its series on: what it holds, not its name.
  static std::string holdingsOf(const std::string& packages, const std::string& id) {
    const auto at = packages.find("\n" + id + " | ");
    if (at == std::string::npos) return "no package " + id;
    const auto line = packages.substr(at + 1, packages.find('\n', at + 1) - at - 1);
    const auto name = line.find(" | ", line.find(" | ") + 3);
    return line.substr(name + 3);
  }

  // Each stored package by what it shows: names, sizes and focal lengths.
  static std::string packagesIn(const std::string& home) {
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
    return rowsIn(home, "QuorvelPackageDatabase.db", kPackages);
  }

  // The person's own rows in every catalogue: series and lenses, cameras and ratios, adapters.
  static std::string personsRowsIn(const std::string& home) {
    return rowsIn(home, "LensDatabase.db",
                  "SELECT m.Manufacturer, m.LensSeries, m.Type, l.FocalLength, l.FocalLengthMax FROM Lenses l "
                  "JOIN Manufacturer m ON m.ManufacturerId = l.ManufacturerId WHERE m.Origin = 1 OR l.Custom = 1 "
                  "ORDER BY 1, 2, 3, 4, 5") +
           rowsIn(home, "QuorvelFormatDatabase.db",
                  "SELECT m.manufactor, m.model, f.shootingMode, f.width, f.height FROM FormatContainer f "
                  "JOIN ManufactorTable m ON m.id = f.manufactorId WHERE f.origin = 1 UNION ALL "
                  "SELECT 'ratio', width, height, '', '' FROM QuorvelFrameGuide WHERE type = 1 ORDER BY 1, 2, 3, 4, 5") +
           rowsIn(home, "QuorvelLensAdapterDb.db",
                  "SELECT LensAdapterName, AdapterWidthValue, AdapterHeightValue FROM QuorvelLensAdapter "
                  "WHERE AdapterType = 1 ORDER BY 1, 2, 3");
  }

  // What `sql` gives on Library/`file` with the other catalogues attached as lenses, formats and
  // adapters, one line a row; "unreadable" when it gives nothing at all.
  static std::string rowsIn(const std::string& home, const char* file, const char* sql) {
    const std::string library = home + "/Library/";
    sqlite3* db = nullptr;
    std::string text;
    if (sqlite3_open_v2((library + file).c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
      for (const auto& [other, name] : {std::pair{"LensDatabase.db", "lenses"}, {"QuorvelFormatDatabase.db", "formats"},
                                        {"QuorvelLensAdapterDb.db", "adapters"}}) {
        const std::string attach = "ATTACH '" + library + other + "' AS " + name;
        sqlite3_exec(db, attach.c_str(), nullptr, nullptr, nullptr);
      }
      sqlite3_stmt* rows = nullptr;
      if (sqlite3_prepare_v2(db, sql, -1, &rows, nullptr) != SQLITE_OK) text = "unreadable";
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
    return std::string(file) + ":\n" + text;
  }

  // Damage where the person's rows are in the catalogue at `path`, as a disk error leaves it.
  static void damageRows(const std::string& path) {
    const std::string file = std::filesystem::path(path).filename();
    if (file == "QuorvelLensAdapterDb.db") {
      damage(path, 2 * kPage - 512, 512);  // one page of rows: the shipped rows' end of it
    } else if (file == "QuorvelPackageDatabase.db") {
      // Nothing but the person's rows: the index beside them.
      damage(path, static_cast<std::streamoff>(pageOf(path, "PackageLensDataByPackage") - 1) * kPage, kPage);
    } else {
      damage(path, static_cast<std::streamoff>(std::filesystem::file_size(path) / 2 / kPage * kPage) - kPage, 2 * kPage);
    }
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

  LoopbackServer server_;
  ScratchFolder scratch_;
  int scripts_ = 0;
};

// A suite whose tests each start from a copy of one container, made once for the whole suite in a
// scratch folder of its own (`Suite::kScratchName`): the setup and lens tours, then `Suite::ownRows()`;
// `Suite::expectMade` looks at the packages they stored.
template <class Suite>
class MadeOnceTest : public KeptPackagesTest {
 protected:
  static void SetUpTestSuite() { shared_ = std::make_unique<ScratchFolder>(Suite::kScratchName); }
  static void TearDownTestSuite() {
    made_.clear();
    shared_.reset();
  }
  const std::string& made() {
    if (made_.empty()) {
      const std::string home = shared_->pathFor("made");
      Suite::expectMade(home, playTheToursThen(home, Suite::ownRows()));
      made_ = home;
    }
    return made_;
  }
  std::string copyOfMade(const std::string& name) { return copyOf(made(), name); }

 private:
  static inline std::unique_ptr<ScratchFolder> shared_;
  static inline std::string made_;
};

}  // namespace ostrel::testing
