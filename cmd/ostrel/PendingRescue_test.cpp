// ostrel as a person leaves it after the setup and lens tours, with a damaged catalogue whose rescue
// waits for room (the disk was full during it), and then something put where the rescue must find room:
// a file in the catalogue's empty place (an empty one, as `sqlite3 FILE .tables` leaves it, noise, a bare
// copy of the bundle's), or something SQLite cannot use beside the copy kept aside or where the scratch
// copy is made. The start names what stands in the way, leaves it, and keeps the rescue's note; once it
// is gone, the next start brings every package and row of the person's home.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "cmd/ostrel/KeptPackagesTest.h"
#include "platform/foundation/AtomicFile.h"
#include "testing/RepeatCount.h"
#include "testing/ScopedFileSizeLimit.h"

namespace {

namespace fs = std::filesystem;
using ostrel::testing::contentsOf;
using ostrel::testing::damagedCopiesOf;
using ostrel::testing::KeptPackagesTest;
using ostrel::testing::ScopedFileSizeLimit;
using platform::foundation::AtomicFile;

struct Stranger {
  const char* kind;  // for a failure's message
  const char* what;  // as the start names it
  // Puts it beside the catalogue at `path`, whose damaged file was kept as `kept`; where it stands.
  std::function<std::string(const std::string& path, const std::string& kept)> put;
};

class PendingRescueTest : public KeptPackagesTest {
 protected:
  // Each catalogue in turn damaged in a copy of `made` and left with its rescue waiting for room, then
  // `stranger` put in the way; every start ends, and once the stranger is gone every row is home. An
  // everyday run gives each catalogue one of the strangers, in turn; a thorough run every one.
  void expectRowsHomeOnceGone(const std::vector<Stranger>& strangers) {
    const std::string made = madeByTheTours();
    const std::string packages = packagesIn(made), rows = personsRowsIn(made);
    const bool all = ostrel::testing::repeatCount(0, 1) > 0;
    int at = 0;
    for (size_t catalogue = 0; catalogue < std::size(kCatalogues); ++catalogue) {
      const char* file = kCatalogues[catalogue];
      for (size_t kind = 0; kind < strangers.size(); ++kind) {
        if (!all && kind != catalogue % strangers.size()) continue;
        const Stranger& stranger = strangers[kind];
        SCOPED_TRACE(std::string(file) + ", " + stranger.kind);
        const std::string home = copyOf(made, "case-" + std::to_string(++at));
        const std::string path = home + "/Library/" + file;
        damageRows(path);
        {
          ScopedFileSizeLimit full(kPage);
          play(home, script("wait 1\n"));
        }
        const auto kept = damagedCopiesOf(path);
        ASSERT_EQ(kept.size(), 1u);
        ASSERT_TRUE(fs::exists(path + ".rescuing"));

        const std::string standing = stranger.put(path, kept[0]);
        const std::string was = AtomicFile::whatStandsAt(standing);
        // Only a file is read here: a FIFO would wait for a writer, a device never end.
        const auto bytesOf = [&was](const std::string& at) { return was == "a regular file" ? contentsOf(at) : was; };
        const std::string bytes = bytesOf(standing);
        const std::string said = play(home, script("wait 1\n"));
        EXPECT_NE(said.find("kept as " + kept[0] + " and your own rows wait there: " + stranger.what + " stands at " +
                            standing),
                  std::string::npos)
            << said;
        EXPECT_TRUE(fs::exists(path + ".rescuing")) << "the rescue goes on";
        EXPECT_EQ(damagedCopiesOf(path).size(), 1u) << "nothing more is kept aside";
        EXPECT_EQ(AtomicFile::whatStandsAt(standing), was) << "left in place";
        EXPECT_EQ(bytesOf(standing), bytes) << "left as it was";

        fs::remove(standing);
        const std::string then = play(home, script("wait 1\n"));
        EXPECT_NE(then.find("kept as " + kept[0] + " and a fresh copy takes its place, with your own rows"),
                  std::string::npos)
            << then;
        EXPECT_FALSE(fs::exists(path + ".rescuing"));
        EXPECT_EQ(packagesIn(home), packages);
        EXPECT_EQ(personsRowsIn(home), rows);
      }
    }
  }

  // A file put in the catalogue's empty place, made by `write`.
  static Stranger inThePlace(const char* kind, std::function<void(const std::string& path)> write) {
    return {kind, "a file that does not hold them", [write](const std::string& path, const std::string&) {
              write(path);
              return path;
            }};
  }
};

TEST_F(PendingRescueTest, AFileInTheEmptyPlaceKeepsTheRescueUntilItIsGone) {
  const auto bundled = [](const std::string& path) {
    return (fs::path(OSTREL_EXECUTABLE).parent_path() / "bundle" / fs::path(path).filename()).string();
  };
  expectRowsHomeOnceGone({
      inThePlace("an empty file", [](const std::string& path) { std::ofstream{path}; }),
      inThePlace("noise",
                 [](const std::string& path) {
                   std::ofstream{path} << std::string(64 * 1024, '\0');
                   ostrel::testing::overwriteWithNoise(path, 0, 64 * 1024, 7);
                 }),
      inThePlace("a bare copy of the bundle's",
                 [bundled](const std::string& path) { fs::copy_file(bundled(path), path); }),
  });
}

TEST_F(PendingRescueTest, SomethingBesideTheKeptOrScratchCopyKeepsTheRescueUntilItIsGone) {
  expectRowsHomeOnceGone({
      {"a FIFO at the kept copy's journal", "a FIFO",
       [](const std::string&, const std::string& kept) {
         EXPECT_EQ(::mkfifo((kept + "-journal").c_str(), 0644), 0);
         return kept + "-journal";
       }},
      {"a link to /dev/zero at the kept copy's log", "a link to a device",
       [](const std::string&, const std::string& kept) {
         fs::create_symlink("/dev/zero", kept + "-wal");
         return kept + "-wal";
       }},
      {"a folder at the scratch copy's journal", "a folder",
       [](const std::string& path, const std::string&) {
         fs::create_directory(path + ".readable-journal");
         return path + ".readable-journal";
       }},
      {"a FIFO at the scratch copy's index", "a FIFO",
       [](const std::string& path, const std::string&) {
         EXPECT_EQ(::mkfifo((path + ".readable-shm").c_str(), 0644), 0);
         return path + ".readable-shm";
       }},
  });
}

}  // namespace
