// Crash safety: a child process stores events (and now and then moves some into a batch) until it is
// killed with SIGKILL at a random moment; a fresh storage must then find every event whose store had
// completed, and never a partial file.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
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

// The child of the deletion test: takes a stored event as a batch, puts kFilesBesideTheEvent more
// files into the batch's folder (so that deleting it takes a while), reports "D", the number of entries,
// the folder and the time it was last changed (looked at before the deletion can begin: the parent may
// come to it only once the deletion is under way), and deletes the batch with its events, as a
// delivered upload's answer does; then waits to be killed.
constexpr int kFilesBesideTheEvent = 5000;

TEST(FlatFileStorageCrashChild, DeleteABatchUntilKilled) {
  const char* fdText = std::getenv(kReportFdVariable);
  if (!fdText) GTEST_SKIP() << "runs only as the child of the crash test";
  int fd = std::atoi(fdText);
  auto application = std::make_shared<CountingApplication>();
  auto storage = std::make_shared<sdk::transport::FlatFileEventStore>(
      sdk::transport::transportRootDirectory(), std::weak_ptr<sdk::transport::UploadCoordinator>(), application);
  storage->storeEvent(makeEvent("1206", kTarget, 4, "e"), nullptr);
  std::optional<std::uint32_t> batchID;
  storage->batchWithEventSelector(sdk::transport::EventSelector::eventSelectorForTarget(kTarget), 1e10,
                                  [&](auto id, auto) { batchID = id; });
  drain(storage->storageQueue());
  if (!batchID) return report(fd, "no batch");
  std::size_t entries = 0;
  std::string batchFolder;
  for (const auto& folder : std::filesystem::directory_iterator(storage->names().batchDataStoragePath())) {
    for (int i = 0; i < kFilesBesideTheEvent; ++i) {
      const std::string path = folder.path().string() + "/beside-" + std::to_string(i);
      ::close(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    }
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) ++entries;
    batchFolder = folder.path().string();
  }
  struct stat changed {};
  if (::stat(batchFolder.c_str(), &changed) != 0) return report(fd, "no batch folder");
  report(fd, "D " + std::to_string(entries) + " " + std::to_string(changed.st_mtim.tv_sec) + " " +
                 std::to_string(changed.st_mtim.tv_nsec) + " " + batchFolder);
  storage->removeBatchWithID(*batchID, true, [fd] { report(fd, "d"); });
  drain(storage->storageQueue());
  for (;;) ::pause();
}

class FlatFileStorageCrashTest : public FlatFileEventStoreTest {
 protected:
  // Runs one child, kills it after `reportsBeforeKill` reports and returns every event ID it reported.
  // Starts the child test `test` in this container; `reports` receives the end of the pipe it reports on.
  pid_t startChild(const std::string& test, int* reports) {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    pid_t child = spawnTestChild(test, {"OSTREL_HOME=" + container.path(),
                                        std::string(kReportFdVariable) + "=" + std::to_string(fds[1])});
    ::close(fds[1]);
    EXPECT_GT(child, 0);
    *reports = fds[0];
    return child;
  }

  std::set<std::string> runChildKilledAfter(int reportsBeforeKill, int* batches) {
    int reportsRead = -1;
    pid_t child = startChild("FlatFileStorageCrashChild.StoreUntilKilled", &reportsRead);
    std::set<std::string> stored;
    std::string pending;
    int reports = 0;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(reportsRead, buffer, sizeof buffer)) > 0) {
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
    ::close(reportsRead);
    waitTestChild(child);
    return stored;
  }

  // Every visible event file, in the event folder and in batch folders, with whether it decodes.
  std::map<std::string, bool> eventFilesOnDisk() {
    std::map<std::string, bool> files;
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(storage->names().eventDataStoragePath() + "/..", error), end;
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

// An answer deletes its batch while the process ends, cut off at whatever file it was deleting: the
// batch is then there whole, to be sent again, or gone whole, never in part.
TEST_F(FlatFileStorageCrashTest, ABatchDeletionCutOffLeavesTheWholeBatchOrNone) {
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    int reportsRead = -1;
    pid_t child = startChild("FlatFileStorageCrashChild.DeleteABatchUntilKilled", &reportsRead);
    ASSERT_GT(child, 0);
    // However the test ends, the child, which waits to be killed, is.
    std::shared_ptr<void> reap(nullptr, [&](void*) {
      if (child <= 0) return;
      ::kill(child, SIGKILL);
      waitTestChild(child);
    });
    std::string line;
    char c;
    while (::read(reportsRead, &c, 1) == 1 && c != '\n') line += c;
    ASSERT_TRUE(line.starts_with("D ")) << line;
    // Killed once the deletion has begun: the batch's folder changed, or left its name.
    std::size_t entries = 0;
    std::string folder;
    struct stat before {};
    std::istringstream(line.substr(2)) >> entries >> before.st_mtim.tv_sec >> before.st_mtim.tv_nsec >> folder;
    ASSERT_FALSE(folder.empty()) << line;
    const auto begun = [&] {
      struct stat now {};
      return ::stat(folder.c_str(), &now) != 0 || now.st_mtim.tv_sec != before.st_mtim.tv_sec ||
             now.st_mtim.tv_nsec != before.st_mtim.tv_nsec;
    };
    // The child reports "d" once the deletion is over; one that reports it with the folder untouched
    // could not begin it, and one that exits never will.
    std::string gaveUp;
    bool reported = false;
    while (!begun() && gaveUp.empty()) {
      pollfd report{reportsRead, POLLIN, 0};
      if (!reported && ::poll(&report, 1, 0) > 0 && ::read(reportsRead, &c, 1) == 1) reported = true;
      // Looked at again after the report: the deletion may have begun just before it.
      if (reported && !begun()) gaveUp = "the child finished the deletion without touching the batch";
      int status = 0;
      if (gaveUp.empty() && ::waitpid(child, &status, WNOHANG) == child) {
        child = -1;
        gaveUp = "the child ended (" + describeWaitStatus(status) + ") before the deletion began";
      }
    }
    reap.reset();
    ::close(reportsRead);
    ASSERT_TRUE(gaveUp.empty()) << gaveUp;

    storage = makeStorage();
    drain(storage->storageQueue());
    // A batch still there comes back among the stored events, as the next upload returns it.
    (void)await(storage->removeAllBatchesForTarget(kTarget, false), storage->storageQueue());
    const std::size_t left = filesIn(eventFolder(kTarget)).size();
    EXPECT_TRUE(left == 0 || left == entries) << left << " of the batch's " << entries << " entries left";
    for (const auto& name : filesIn(storage->names().batchDataStoragePath())) ADD_FAILURE() << "left in the batches: " << name;
    std::error_code error;
    std::filesystem::remove_all(eventFolder(kTarget), error);
  }
}

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
  EXPECT_TRUE(filesIn(storage->names().batchDataStoragePath()).empty());
  std::set<std::string> back;
  for (const auto& name : filesIn(eventFolder(kTarget))) back.insert(name.substr(0, 32));
  for (const auto& id : everStored) EXPECT_TRUE(back.count(id)) << id;
}

}  // namespace
}  // namespace ostrel::testing
