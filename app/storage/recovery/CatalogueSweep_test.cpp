// What killed seedings, updates, rescues and commits across catalogues leave in Library goes at the
// next start, whatever its age; what is still in use, and anything of the person's that only looks
// alike, stays.
#include "app/storage/recovery/CatalogueSweep.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/storage/StorageTestSupport.h"
#include "app/storage/recovery/CatalogueRescue.h"
#include "app/storage/recovery/CatalogueSeeding.h"
#include "platform/foundation/Paths.h"

namespace app::storage {

namespace {

using namespace ostrel::testing;
namespace fs = std::filesystem;

void putFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// A journal whose commit goes through `superJournal`, ended as SQLite ends one: the name, its length
// and checksum, and the magic number.
std::string journalNaming(const std::string& superJournal) {
  std::string bytes(512, '\0');
  bytes += superJournal;
  for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>(superJournal.size() >> shift & 0xff);
  bytes += std::string(4, '\0');
  bytes += std::string("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8);
  return bytes;
}

class CatalogueSweepTest : public StorageTest {
 protected:
  static std::string library(const std::string& name) { return CatalogueDatabase::libraryPath(name); }
  static std::vector<std::string> listing() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(platform::foundation::Paths::library())) {
      if (entry.is_regular_file()) names.push_back(entry.path().filename().native());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(CatalogueSweepTest, TheNextStartSweepsWhatKilledWritesLeftAndNothingElse) {
  seedAsAFirstStart();
  const std::vector<std::string> gone = {
      ".LensDatabase.db.Ab12Cd",                // a seeding's copy
      ".QuorvelFormatDatabase.db.updating.x9Y8z7",  // an update's copy of the bundle's catalogue
      ".QuorvelLensAdapterDb.db.rescuing.Qq1234",   // a rescue's note
      "QuorvelFormatDatabase.db.updating",          // an update's copy, and its journal
      "QuorvelFormatDatabase.db.updating-journal",
      "QuorvelLensAdapterDb.db.readable",  // a rescue's scratch copy, its rescue over
      "QuorvelPackageDatabase.db-mj0DBC0E9EC",  // a super-journal whose journals are gone
      "QuorvelPackageDatabase.db-mj1A2B3C4D5",  // one that a journal beside it does not name
  };
  for (const auto& name : gone) putFile(library(name), "left by a kill");
  putFile(library("LensDatabase.db-journal"), journalNaming(library("QuorvelPackageDatabase.db-mj0000000AA")));
  putFile(library("QuorvelPackageDatabase.db-mj1A2B3C4D5"),
        library("LensDatabase.db-journal") + std::string(1, '\0'));

  const std::vector<std::string> stays = {
      ".LensDatabase.db.notes",               // the person's own hidden file
      ".LensDatabase.db.Held12",              // a write still at work
      "LensDatabase.db.rescuing",             // a rescue still to finish, with its scratch copy
      "LensDatabase.db.readable",
      "QuorvelPackageDatabase.db-mj0000000AA",  // a commit a journal still goes through
      "QuorvelPackageDatabase.db-mjnothex00",
      "QuorvelPackageDatabase.db.damaged-20261208-101010",
      "Other.db-mj0DBC0E9EC",
  };
  for (const auto& name : stays) {
    if (name != "QuorvelPackageDatabase.db-mj0000000AA") putFile(library(name), "kept");
  }
  putFile(library("QuorvelPackageDatabase.db-mj0000000AA"), library("LensDatabase.db-journal") + std::string(1, '\0'));
  const int held = ::open(library(".LensDatabase.db.Held12").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);

  static_cast<void>(CatalogueSeeding::seedAllMissing(kEveryCatalogue));
  ::close(held);
  for (const auto& name : gone) EXPECT_FALSE(fs::exists(library(name))) << name;
  for (const auto& name : stays) EXPECT_TRUE(fs::exists(library(name))) << name;

  // Once the journal is rolled back, its super-journal goes with the next start.
  fs::remove(library("LensDatabase.db-journal"));
  EXPECT_EQ(CatalogueSweep::leftoversOf(kEveryCatalogue), 2u) << "the held temporary too, its writer gone";
  EXPECT_FALSE(fs::exists(library("QuorvelPackageDatabase.db-mj0000000AA")));
}

}  // namespace

}  // namespace app::storage
