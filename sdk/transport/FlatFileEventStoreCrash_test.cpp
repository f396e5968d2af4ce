// Crash safety: a child process stores events (and now and then moves some into a batch) until it is
// killed with SIGKILL at a random moment; a fresh storage must then find every event whose store had
// completed, and never a partial file.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>

#include "platform/foundation/AtomicFile.h"
#include "sdk/transport/Archive.h"
#include "sdk/transport/FlatFileEventStoreTestSupport.h"
#include "testing/ChildProcess.h"

namespace ostrel::testing {
namespace {

constexpr const char* kReportFdVariable = "VDTCOR_CRASH_REPORT_FD";
constexpr std::int64_t kTarget = 1002;

void report(int fd, const std::string& line) {
  std::string text = line + "\n";
  [[maybe_unused]] auto written = ::write(fd, text.data(), text.size());  // one line is below PIPE_BUF: atomic
}

// The child: stores events of varied sizes one after another, reporting each completed store, and moves
// the stored events into a batch every few stores, as an upload would just before it is cut off.
TEST(FlatFileStorageCrashChild, StoreUntilKilled) {
  const char* fdText = std::getenv(kReportFdVariable);
  if (!fdText) GTEST_SKIP() << "runs only as the child of the crash test";
  int fd = std::atoi(fdText);
  auto application = std::make_shared<CountingApplication>();
  auto storage = std::make_shared<sdk::transport::FlatFileEventStore>(sdk::transport::transportRootDirectory(), std::weak_ptr<sdk::transport::UploadCoordinator>(),
                                                         application);
  std::mt19937 random(std::random_device{}());
  for (int i = 0;; ++i) {
    auto event = makeEvent("1206", kTarget, 4, std::string(random() % 40000, 'e'));
    storage->storeEvent(event, [fd, id = event->eventID()](bool written, const auto&) {
      if (written) report(fd, "E " + id);
    });
    if (i % 5 == 4) {
      storage->batchWithEventSelector(sdk::transport::EventSelector::eventSelectorForTarget(kTarget), 1e10,
                                      [fd](auto id, auto) {
                                        if (id) report(fd, "B " + std::to_string(*id));
                                      });
    }
    drain(storage->storageQueue());
  }
}

class FlatFileStorageCrashTest : public FlatFileEventStoreTest {
 protected:
  // Runs one child, kills it after `reportsBeforeKill` reports and returns every event ID it reported.
  std::set<std::string> runChildKilledAfter(int reportsBeforeKill, int* batches) {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    pid_t child = spawnTestChild("FlatFileStorageCrashChild.StoreUntilKilled",
                                 {"OSTREL_HOME=" + container.path(), std::string(kReportFdVariable) + "=" + std::to_string(fds[1])});
    ::close(fds[1]);
    EXPECT_GT(child, 0);
    std::set<std::string> stored;
    std::string pending;
    int reports = 0;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) {
      pending.append(buffer, static_cast<std::size_t>(n));
      std::size_t newline;
      while ((newline = pending.find('\n')) != std::string::npos) {
        std::string line = pending.substr(0, newline);
        pending.erase(0, newline + 1);
        if (line.starts_with("E ")) stored.insert(line.substr(2));
        if (line.starts_with("B ")) ++*batches;
        // Killed while it goes on writing: the signal lands wherever the child happens to be.
        if (++reports == reportsBeforeKill) ::kill(child, SIGKILL);
      }
    }
    ::close(fds[0]);
    waitTestChild(child);
    return stored;
  }

  // Every visible event file, in the event folder and in batch folders, with whether it decodes.
  std::map<std::string, bool> eventFilesOnDisk() {
    std::map<std::string, bool> files;
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(storage->eventDataStoragePath() + "/..", error), end;
         !error && it != end; it.increment(error)) {
      if (!it->is_regular_file()) continue;
      std::string path = it->path().string();
      if (path.find("vdt_library_data") != std::string::npos) continue;
      std::string name = it->path().filename().string();
      EXPECT_FALSE(name.starts_with(".")) << "a temporary file survived the sweep: " << path;
      files[name.substr(0, 32)] = sdk::transport::unarchiveEvent(path, nullptr).ok();
    }
    return files;
  }
};

TEST_F(FlatFileStorageCrashTest, AKilledWriterLosesNoStoredEventAndLeavesNoPartialFile) {
  std::mt19937 random(std::random_device{}());
  std::set<std::string> everStored;
  int batches = 0;
  for (int run = 0; run < 24; ++run) {
    int killAfter = 1 + static_cast<int>(random() % 30);
    auto stored = runChildKilledAfter(killAfter, &batches);
    everStored.insert(stored.begin(), stored.end());

    // A fresh storage (which sweeps the temporary files of the cut-off write) sees them all.
    storage = makeStorage();
    drain(storage->storageQueue());
    auto files = eventFilesOnDisk();
    for (const auto& id : everStored) {
      auto found = files.find(id);
      ASSERT_NE(found, files.end()) << "run " << run << " lost " << id;
    }
    for (const auto& [id, decodes] : files) EXPECT_TRUE(decodes) << "run " << run << ": partial file " << id;
  }
  EXPECT_GT(batches, 0);

  // Batches left behind by killed uploads come back among the stored events, every one of them.
  auto settled = await(storage->removeAllBatchesForTarget(kTarget, false), storage->storageQueue());
  EXPECT_FALSE(settled.error);
  EXPECT_TRUE(filesIn(storage->batchDataStoragePath()).empty());
  std::set<std::string> back;
  for (const auto& name : filesIn(eventFolder(kTarget))) back.insert(name.substr(0, 32));
  for (const auto& id : everStored) EXPECT_TRUE(back.count(id)) << id;
}

}  // namespace
}  // namespace ostrel::testing
