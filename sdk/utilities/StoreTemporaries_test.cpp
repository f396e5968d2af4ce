// A write killed between making its temporary file and renaming it leaves ".<name>.XXXXXX" behind,
// which no read ever looks at. Each store clears stale ones of its own folder when it opens.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Paths.h"
#include "platform/security/Keychain.h"
#include "sdk/utilities/HeartbeatDateStorage.h"
#include "sdk/utilities/KeychainStorage.h"
#include "sdk/utilities/UserDefaultsStore.h"
#include "testing/TempContainer.h"

namespace sdk::utilities {

namespace {

using platform::foundation::AtomicFile;
using platform::foundation::Paths;

void age(const std::string& path, double seconds) {
  const timespec when{static_cast<time_t>(platform::foundation::Clock::current()->now() - seconds), 0};
  const timespec times[2] = {when, when};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(StoreTemporaries, OpeningAStoreClearsStaleAndFutureTemporariesOfItsFolderOnly) {
  ostrel::testing::TempContainer container;
  struct Store {
    const char* name;
    std::function<std::string()> folder;
    std::function<void()> open;
  };
  const std::vector<Store> stores = {
      {"heartbeat", [] { return Paths::applicationSupport() + "/Vadeze/REDIri"; },
       [] { HeartbeatDateStorage::initWithFileName("HEARTBEAT_INFO_STORAGE")->fileURL(); }},
      {"user defaults", [] { return Paths::preferences(); }, [] { UserDefaultsStore defaults("com.example.suite"); }},
      {"keychain", [] { return platform::security::Keychain::folder(); }, [] { KeychainStorage storage("service"); }},
  };
  // (name, age in seconds, negative for the future; whether it stays)
  const std::vector<std::tuple<std::string, double, bool>> files = {
      {".item.Ab3dE9", 3601, false},   // a write killed an hour ago
      {".item.Zz9yX1", -120, false},   // dated after now: no write in progress can be
      {".item.Qq1wE2", 30, true},      // perhaps still being written by another process
      {"item", 99999, true},           // a real file, however old
      {".item.short", 99999, true},    // not our pattern
      {".keep", 99999, true},
  };
  for (const Store& store : stores) {
    const std::string folder = store.folder();
    ASSERT_TRUE(AtomicFile::createDirectories(folder).ok());
    for (const auto& [name, seconds, stays] : files) {
      ASSERT_TRUE(AtomicFile::writeAtomically(folder + "/" + name, "x").ok());
      age(folder + "/" + name, seconds);
    }
    store.open();
    for (const auto& [name, seconds, stays] : files) {
      EXPECT_EQ(AtomicFile::fileExists(folder + "/" + name), stays) << store.name << ": " << name;
    }
  }
}

}  // namespace

}  // namespace sdk::utilities

