// ostrel started over damaged files, as a disk error, a half-copied backup or a curious person leaves
// them: every start works, each damaged file of the user's is kept beside the fresh one under its date
// and named in the log, a second damage keeps both copies, and a damaged options file in the bundle
// leaves the SDK's services off with one clear line.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "testing/ChildProcess.h"
#include "testing/FileContents.h"
#include "testing/LoopbackServer.h"
#include "testing/TempContainer.h"

namespace {

namespace fs = std::filesystem;
using ostrel::testing::ChildProcess;
using ostrel::testing::contentsOf;
using ostrel::testing::damagedCopiesOf;

constexpr std::size_t kLogFrameBytes = 4096 + 24;

std::size_t occurrences(const std::string& text, const std::string& fragment) {
  std::size_t count = 0;
  for (auto at = text.find(fragment); at != std::string::npos; at = text.find(fragment, at + 1)) ++count;
  return count;
}

void overwrite(const std::string& path, std::streamoff offset, const std::string& bytes) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(offset);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class DamagedFilesTest : public ::testing::Test {
 protected:
  // ostrel run to its end in the test's container, the SDK's services on the loopback server; its
  // output, after checking that it ended with status 0.
  std::string run(std::vector<std::string> arguments, std::vector<std::string> environment = {}) {
    arguments.insert(arguments.begin(), {OSTREL_EXECUTABLE, "--home", container.path()});
    auto inherited = ostrel::testing::environmentWithout({"OSTREL_", "DISPLAY=", "WAYLAND_DISPLAY="});
    environment.insert(environment.end(), inherited.begin(), inherited.end());
    for (const char* service : {"OSTREL_ANALYTICS_URL=", "OSTREL_INSTALLATIONS_URL="}) {
      environment.push_back(service + server.url(""));
    }
    return ChildProcess::runToSuccess(arguments, environment);
  }
  std::string tour() { return run({"--script", OSTREL_TOUR, "--out", container.pathFor("tour")}); }
  std::string logFile() const { return contentsOf(container.pathFor("Library/Logs/ostrel.log")); }

  std::string library(const std::string& relative) const { return container.pathFor("Library/" + relative); }
  std::string measurement(const std::string& name) const {
    return library("Application Support/Vadeze/Measurement/" + name);
  }
  // The keychain item the analytics library keeps its count of first opens in.
  std::string firstOpenCountItem() const { return ostrel::testing::keychainItemOf(container.path(), "_pfo"); }

  ostrel::testing::TempContainer container;
  ostrel::testing::LoopbackServer server;
};

// Each file damaged twice, with a start after each damage.
TEST_F(DamagedFilesTest, EveryStartWorksAndEveryDamagedFileIsKeptUnderItsDate) {
  tour();
  const std::string pfo = firstOpenCountItem();
  ASSERT_FALSE(pfo.empty());
  const std::vector<std::string> files = {library("Preferences/com.vadeze.vmp.measurement.plist"),
                                          library("Preferences/com.vurevore.VURInstallations.plist"),
                                          container.pathFor("Documents/InteractiveGuideSettings.plist"), pfo};
  const std::string log = measurement("vadeze-app-measurement.sql-wal");
  for (std::size_t damage = 1; damage <= 2; ++damage) {
    for (const auto& file : files) {
      ASSERT_TRUE(fs::exists(file)) << file;
      std::ofstream(file, std::ios::trunc) << "damaged " << damage;
    }
    // The page of the log's second frame: its checksum fails, and what was committed after it with it.
    const auto frames = (fs::file_size(log) - 32) / kLogFrameBytes;
    ASSERT_GE(frames, 3u);
    overwrite(log, 32 + kLogFrameBytes + 24 + 200, "damaged frame");

    const std::string output = run({});
    for (const auto& file : files) {
      const auto kept = damagedCopiesOf(file);
      ASSERT_EQ(kept.size(), damage) << file;
      EXPECT_EQ(contentsOf(kept.back()), "damaged " + std::to_string(damage));
      EXPECT_NE(output.find("kept as " + kept.back()), std::string::npos) << output;
      EXPECT_EQ(occurrences(logFile(), "kept as " + kept.back()), 1u) << kept.back();
    }
    const auto keptLogs = damagedCopiesOf(log);
    ASSERT_EQ(keptLogs.size(), damage);
    EXPECT_EQ(fs::file_size(keptLogs.back()), 32 + frames * kLogFrameBytes);
    EXPECT_NE(logFile().find("write-ahead log is damaged"), std::string::npos);
    EXPECT_EQ(logFile().find("Unable to store keychain value"), std::string::npos);
    // Played again, as a person carries on, so the next damage has files of this run to meet.
    tour();
  }
}

// The SDK's options file is the app's own, in its bundle: nothing is moved, the SDK stays off, the
// calculator works, and the reason is given once.
TEST_F(DamagedFilesTest, ADamagedOptionsFileLeavesTheSDKOffAndTheTourRuns) {
  const fs::path shipped = fs::path(OSTREL_EXECUTABLE).parent_path() / "bundle";
  const fs::path bundle = container.pathFor("bundle");
  fs::create_directories(bundle);
  for (const auto& entry : fs::directory_iterator(shipped)) {
    if (entry.path().filename() != "VadezeService-Info.plist") fs::create_symlink(entry.path(), bundle / entry.path().filename());
  }
  std::ofstream(bundle / "VadezeService-Info.plist") << "<?xml version=\"1.0\"?><plist><dict><key>API_KEY";
  const std::string line = "The SDK's options file (VadezeService-Info.plist in the app's bundle) is missing or cannot be read";
  const std::string output =
      run({"--script", OSTREL_TOUR, "--out", container.pathFor("tour")}, {"OSTREL_BUNDLE=" + bundle.string()});
  EXPECT_EQ(occurrences(output, line), 1u) << output;
  EXPECT_EQ(occurrences(logFile(), line), 1u);
  EXPECT_NE(output.find("file(s) written"), std::string::npos) << output;
  EXPECT_TRUE(fs::exists(bundle / "VadezeService-Info.plist"));
}

}  // namespace
