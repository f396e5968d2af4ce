// ostrel's plain starts against an installations service on loopback that answers badly: a service
// that refuses every refresh token makes one new installation a start, not hundreds; a damaged
// preference file, or anything else in its place, costs no installation its ID, nor does a kill while
// the damaged file is kept; a 500 to the registration reaches the log. A file the app may not read (its
// record in the keychain, a preference file) is no damaged file: it is named and left as it is.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <sstream>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/PropertyList.h"
#include "testing/ChildProcess.h"
#include "testing/FileContents.h"
#include "testing/LoopbackServer.h"
#include "testing/OtherUser.h"
#include "testing/ScratchFolder.h"
#include "testing/TreeChanges.h"

namespace {

namespace fs = std::filesystem;
using ostrel::testing::ChildProcess;
using ostrel::testing::contentsOf;
using ostrel::testing::LoopbackResponse;
using ostrel::testing::OtherUser;
using platform::foundation::AtomicFile;

// The project of the bundle's options file.
constexpr const char* kCreatePath = "/v1/projects/ostrel-local/installations/";

std::size_t occurrences(const std::string& text, const std::string& fragment) {
  std::size_t count = 0;
  for (auto at = text.find(fragment); at != std::string::npos; at = text.find(fragment, at + 1)) ++count;
  return count;
}

// An installation the service made under `fid` whose auth token lasts `expiresIn`.
LoopbackResponse created(const std::string& fid, const std::string& expiresIn) {
  using platform::foundation::Dictionary;
  using platform::foundation::Value;
  auto response = LoopbackResponse::withStatus(
      201, platform::foundation::Json::serialize(Value(Dictionary{
               {"fid", fid},
               {"refreshToken", "refresh-" + fid},
               {"authToken", Value(Dictionary{{"token", "token-" + fid}, {"expiresIn", expiresIn}})}})));
  response.contentType = "application/json";
  return response;
}

std::string serverFID(int n) { return "cServerChosenFID00000" + std::to_string(n); }

// What a file looks like from outside: its bytes, mode and owner.
struct FileState {
  std::string bytes;
  mode_t mode = 0;
  uid_t owner = 0;
  bool operator==(const FileState&) const = default;
};

void PrintTo(const FileState& state, std::ostream* out) {
  *out << state.bytes.size() << " bytes, mode " << std::oct << state.mode << std::dec << ", owner " << state.owner;
}

FileState stateOf(const std::string& path) {
  struct stat info {};
  ::lstat(path.c_str(), &info);
  return {contentsOf(path), info.st_mode, info.st_uid};
}

// A file of the app's made one it may not read.
struct Unreadable {
  const char* how;
  bool needsSecondUser;  // else only when the suite's own modes do not keep the app out
  std::function<void(const std::string& path)> make;
};

const Unreadable kUnreadable[] = {
    {"of mode 000", false, [](const std::string& path) { ASSERT_EQ(::chmod(path.c_str(), 0), 0); }},
    {"another user's", true,
     [](const std::string& path) {
       ASSERT_EQ(::chown(path.c_str(), 0, 0), 0);
       ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
     }},
};

// An exclusive lock on the keychain for the object's life, as another process of the keychain's holds
// it: whoever asks for an item waits.
class HeldKeychain {
 public:
  explicit HeldKeychain(const std::string& home)
      : fd_(::open((home + "/Library/Keychains/.lock").c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW)) {
    EXPECT_EQ(::flock(fd_, LOCK_EX), 0);
  }
  ~HeldKeychain() { ::close(fd_); }
  HeldKeychain(const HeldKeychain&) = delete;
  HeldKeychain& operator=(const HeldKeychain&) = delete;

 private:
  int fd_;
};

class InstallationsStartTest : public ::testing::Test {
 protected:
  // A plain start in `home`, the installations service on the loopback server, run to its end with
  // status 0; its output. `runAs` goes before the command (OtherUser).
  std::string start(std::vector<std::string> runAs = {}) {
    runAs.insert(runAs.end(), {OSTREL_EXECUTABLE, "--home", home});
    return ChildProcess::runToSuccess(runAs, environment());
  }
  std::vector<std::string> environment() const {
    auto environment = ostrel::testing::environmentWithout({"OSTREL_", "DISPLAY=", "WAYLAND_DISPLAY="});
    environment.push_back("OSTREL_INSTALLATIONS_URL=" + server.url(""));
    return environment;
  }
  // Who the case's starts run as, in a new container for them: the suite's own user, or nobody where
  // the suite's user may read any file (root). Null when the case cannot be played here, `whyNot` saying why.
  std::optional<std::vector<std::string>> newContainerFor(const Unreadable& unreadable, std::string& whyNot) {
    home = folder.pathFor("home-" + std::to_string(++cases));
    if (!unreadable.needsSecondUser && ::geteuid() != 0) return std::vector<std::string>();
    whyNot = OtherUser::unavailableReason({OSTREL_EXECUTABLE, fs::path(folder.path()).parent_path()});
    if (!whyNot.empty()) return std::nullopt;
    fs::create_directories(home);
    return OtherUser::commandHanding(home);
  }
  // Plays `play` for each way of making a file unreadable that this suite can play, each in a new
  // container where a first start, registered with the service, made the installation; skips when it
  // can play none.
  void forEachUnreadable(const std::function<void(const Unreadable&, const std::vector<std::string>& runAs)>& play) {
    server.on("POST", kCreatePath, created(serverFID(1), "604800s"));
    std::size_t played = 0;
    std::string whyNot;
    for (const Unreadable& unreadable : kUnreadable) {
      SCOPED_TRACE(unreadable.how);
      const auto runAs = newContainerFor(unreadable, whyNot);
      if (!runAs) continue;
      ++played;
      server.clearRequests();
      start(*runAs);
      ASSERT_EQ(creates(), 1u);
      play(unreadable, *runAs);
    }
    if (played == 0) GTEST_SKIP() << whyNot;
  }
  // The installation's record: the keychain item of the installations' service.
  std::string record() const {
    for (const auto& entry : fs::directory_iterator(home + "/Library/Keychains")) {
      const auto item = platform::foundation::PropertyList::readFile(entry.path());
      if (item["service"] == platform::foundation::Value("com.vurevore.VURInstallations.installations")) {
        return entry.path();
      }
    }
    return {};
  }
  std::string logFile() const { return contentsOf(home + "/Library/Logs/ostrel.log"); }
  std::size_t requestsTo(const std::string& path) const {
    std::size_t count = 0;
    for (const auto& request : server.requests()) count += request.path == path ? 1 : 0;
    return count;
  }
  std::size_t creates() const { return requestsTo(kCreatePath); }
  std::string markers() const { return home + "/Library/Preferences/com.vurevore.VURInstallations.plist"; }

  ostrel::testing::ScratchFolder folder;
  std::string home = folder.pathFor("home");
  ostrel::testing::LoopbackServer server;
  int cases = 0;
};

// The service makes every installation with a token too short to hand out and refuses every token
// request: each start makes at most one installation anew, whose refusal ends the start's asking and
// is backed off, instead of a storm of registrations until the exit.
TEST_F(InstallationsStartTest, RefreshTokensRefusedOnEveryRequestCostOneNewInstallationAStart) {
  for (int status : {401, 404}) {
    SCOPED_TRACE(status);
    home = folder.pathFor("home-" + std::to_string(status));
    std::vector<LoopbackResponse> replies;
    for (int n = 1; n <= 6; ++n) {
      replies.push_back(created(serverFID(n), "60s"));
      server.on("POST", kCreatePath + serverFID(n) + "/authTokens:generate", LoopbackResponse::withStatus(status));
    }
    server.onSequence("POST", kCreatePath, replies);
    for (int run = 1; run <= 2; ++run) {
      server.clearRequests();
      start();
      std::set<std::string> asked;
      for (const auto& request : server.requests()) {
        if (request.path != kCreatePath) asked.insert(request.path);
      }
      // The first start registers and makes one anew; a later one makes one anew for the stored one.
      EXPECT_EQ(creates(), run == 1 ? 2u : 1u) << "run " << run;
      EXPECT_EQ(asked.size(), 2u) << "run " << run << ": one token request for the stored and one for the new";
      EXPECT_EQ(server.requestCount(), creates() + asked.size()) << "run " << run;
    }
    EXPECT_NE(logFile().find("A request to the installations service failed (status " + std::to_string(status) +
                             "); requests wait about "),
              std::string::npos)
        << logFile();
  }
}

// Token lifetimes written with a sign or a blank before them ("+3600s", " 3600s") are an hour like any
// other: the installation made at the first start keeps its ID, and each start only asks for a fresh
// token, as an hour's token is near its end.
TEST_F(InstallationsStartTest, TokenLifetimesWithASignOrABlankAreTakenAndTheInstallationKept) {
  server.on("POST", kCreatePath, created(serverFID(1), "+3600s"));
  auto token = LoopbackResponse::withStatus(200, R"({"token":"token-again","expiresIn":" 3600s"})");
  token.contentType = "application/json";
  server.on("POST", kCreatePath + serverFID(1) + "/authTokens:generate", token);
  for (int run = 1; run <= 3; ++run) start();
  EXPECT_EQ(creates(), 1u) << "registered again\n" << logFile();
  EXPECT_EQ(logFile().find("is malformed"), std::string::npos) << logFile();
  EXPECT_EQ(logFile().find("A request to the installations service failed"), std::string::npos) << logFile();
}

// A preference file of the installations damaged in any way (garbage, empty, cut short) is kept aside,
// and the installation it vouched for keeps its ID: nothing is registered again.
TEST_F(InstallationsStartTest, ADamagedPreferenceFileCostsNoInstallationItsID) {
  server.on("POST", kCreatePath, created(serverFID(1), "604800s"));
  start();
  ASSERT_EQ(creates(), 1u);
  const std::string intact = contentsOf(markers());
  ASSERT_FALSE(intact.empty());
  const std::vector<std::string> damages = {"garbage \x01\xfe", "", intact.substr(0, intact.size() / 2)};
  for (std::size_t damage = 0; damage < damages.size(); ++damage) {
    SCOPED_TRACE(damage);
    std::ofstream(markers(), std::ios::binary | std::ios::trunc) << damages[damage];
    start();
    EXPECT_EQ(creates(), 1u) << "registered again";
    EXPECT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(ostrel::testing::damagedCopiesOf(markers()).size(), damage + 1);
    EXPECT_EQ(occurrences(logFile(), "its record is intact, so the installation is kept and marked again"), damage + 1);
    EXPECT_EQ(logFile().find("a new installation takes its place"), std::string::npos);
  }
}

// What is not a file in the place of that preference file (a FIFO, a folder, a link that leads nowhere
// or round in a loop) is named and left where it stands, and costs the installation its ID no more than
// a damaged file does: a start after another with it in place registers nothing.
TEST_F(InstallationsStartTest, WhatStandsInThePreferenceFilesPlaceCostsNoInstallationItsID) {
  server.on("POST", kCreatePath, created(serverFID(1), "604800s"));
  const std::pair<const char*, std::function<void(const std::string&)>> strangers[] = {
      {"a FIFO", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }},
      {"a folder", [](const std::string& path) { fs::create_directory(path); }},
      {"a link that leads nowhere", [](const std::string& path) { fs::create_symlink(path + ".unmounted/p", path); }},
      {"a link in a loop", [](const std::string& path) { fs::create_symlink(fs::path(path).filename(), path); }},
  };
  for (const auto& [kind, place] : strangers) {
    SCOPED_TRACE(kind);
    home = folder.pathFor("home-" + std::to_string(++cases));
    server.clearRequests();
    start();
    ASSERT_EQ(creates(), 1u);
    fs::remove(markers());
    place(markers());
    for (int run = 1; run <= 2; ++run) {
      start();
      EXPECT_EQ(creates(), 1u) << "registered again at start " << run;
      EXPECT_EQ(server.requestCount(), 1u);
    }
    EXPECT_EQ(platform::foundation::AtomicFile::whatStandsAt(markers()).words(), kind);
    EXPECT_TRUE(ostrel::testing::damagedCopiesOf(markers()).empty());
    EXPECT_EQ(occurrences(logFile(), markers() + " is " + kind + ", which is left in place; its record is intact, "
                                                            "so the installation is kept"),
              2u)
        << logFile();
    EXPECT_EQ(logFile().find("a new installation takes its place"), std::string::npos);
  }
}

// A kill while the damaged preference file of the installations is kept, its marker not yet written
// again, costs the installation nothing: the file stays in its place until the marker replaces it, so a
// kill leaves it there to be kept again, never an empty place that reads as a new install. The start is
// held in that window by the keychain, which another process holds while the start reads the record.
TEST_F(InstallationsStartTest, AKillWhileADamagedPreferenceFileIsKeptCostsNoInstallationItsID) {
  server.on("POST", kCreatePath, created(serverFID(1), "604800s"));
  start();
  ASSERT_EQ(creates(), 1u);
  const std::string intact = contentsOf(markers());
  const std::vector<std::string> damages = {"garbage \x01\xfe", "", intact.substr(0, intact.size() / 2)};
  for (std::size_t damage = 0; damage < damages.size(); ++damage) {
    SCOPED_TRACE(damage);
    std::ofstream(markers(), std::ios::binary | std::ios::trunc) << damages[damage];
    {
      HeldKeychain held(home);
      ostrel::testing::TreeChanges changes(home + "/Library/Preferences");
      auto app = ChildProcess::start({OSTREL_EXECUTABLE, "--home", home}, environment());
      ASSERT_TRUE(app);
      ASSERT_TRUE(changes.waitFor(fs::path(markers()).filename().string() + ".damaged-")) << app->output();
      EXPECT_EQ(AtomicFile::whatStandsAt(markers()).words(), "a regular file") << "the marker's place is empty";
      EXPECT_EQ(contentsOf(markers()), damages[damage]);
      app->signal(SIGKILL);
      app->wait();
    }
    start();
    EXPECT_EQ(creates(), 1u) << "registered again";
    EXPECT_EQ(ostrel::testing::damagedCopiesOf(markers()).size(), damage + 1) << "one copy of each damage";
    EXPECT_EQ(logFile().find("a new installation takes its place"), std::string::npos);
  }
}

// The installation's record in the keychain of mode 000, or another user's: the start names it and
// leaves it as it is, makes no installation in its place and registers none, and once the app may read
// it again the installation is the one it was.
TEST_F(InstallationsStartTest, ARecordTheAppMayNotReadIsLeftAndNoOtherInstallationMade) {
  forEachUnreadable([this](const Unreadable& unreadable, const std::vector<std::string>& runAs) {
    const std::string item = record();
    ASSERT_FALSE(item.empty());
    const FileState before = stateOf(item);
    unreadable.make(item);
    const FileState unread = stateOf(item);
    start(runAs);
    EXPECT_EQ(stateOf(item), unread) << "left as it was";
    EXPECT_EQ(server.requestCount(), 1u) << "an installation made and registered in its place";
    EXPECT_TRUE(ostrel::testing::damagedCopiesOf(item).empty());
    EXPECT_NE(logFile().find(item + " is a file the app may not read, which is left in place and not used"),
              std::string::npos)
        << logFile();

    ASSERT_EQ(::chown(item.c_str(), before.owner, static_cast<gid_t>(-1)), 0);
    ASSERT_EQ(::chmod(item.c_str(), before.mode & 07777), 0);
    start(runAs);
    EXPECT_EQ(server.requestCount(), 1u) << "the installation is not the one it was";
  });
}

// A preference file the app may not read (the app's own, the analytics' and the installations', the
// container's time) is no damaged file: it is named and left as it is, the start runs on defaults for
// what it held, and the installation keeps its ID.
TEST_F(InstallationsStartTest, PreferenceFilesTheAppMayNotReadAreNamedAndLeftAsTheyAre) {
  const char* files[] = {"Documents/FramesData.plist", "Library/Preferences/com.vadeze.vmp.measurement.plist",
                         "Library/Preferences/com.vurevore.VURInstallations.plist",
                         "Library/Preferences/ostrel-shell.plist"};
  forEachUnreadable([&](const Unreadable& unreadable, const std::vector<std::string>& runAs) {
    for (const char* file : files) {
      const std::string path = home + "/" + file;
      ASSERT_TRUE(fs::exists(path)) << file;
      unreadable.make(path);
    }
    std::vector<FileState> unread;
    for (const char* file : files) unread.push_back(stateOf(home + "/" + file));
    const std::string output = start(runAs);
    for (std::size_t i = 0; i < std::size(files); ++i) {
      const std::string path = home + "/" + files[i];
      EXPECT_EQ(stateOf(path), unread[i]) << files[i] << " was not left as it was";
      EXPECT_TRUE(ostrel::testing::damagedCopiesOf(path).empty()) << files[i];
      EXPECT_NE(output.find(path + " is a file the app may not read"), std::string::npos) << files[i] << "\n" << output;
    }
    EXPECT_EQ(server.requestCount(), 1u) << "the installation was made again";
  });
}

// A 500 is tried again after a second: a start without a display or script waits for that try, and its
// failure is one warning in the log.
TEST_F(InstallationsStartTest, A500ToTheRegistrationIsTriedAgainAndWarnedOfOnce) {
  server.on("POST", kCreatePath, LoopbackResponse::withStatus(500, "try later"));
  start();
  EXPECT_EQ(creates(), 2u) << logFile();
  EXPECT_EQ(occurrences(logFile(), "A request to the installations service failed (status 500)"), 1u) << logFile();
  EXPECT_EQ(logFile().find("still on its way when the app ended"), std::string::npos) << logFile();
}

// A service whose error body holds a line feed and a made-up log line after it, and a terminal's escapes:
// the body reaches the log file and stderr with its control characters written out, so it forges no
// line and moves no cursor.
TEST_F(InstallationsStartTest, AServicesErrorBodyForgesNoLogLine) {
  const std::string forged = "2026-12-08 10:00:00 error ProcessEnd: every stored event was deleted";
  server.on("POST", kCreatePath,
            LoopbackResponse::withStatus(400, "bad request\n" + forged + "\r\n\x1b[2J\x1b[31mred\xc2\x9b" "0m"));
  const std::string output = start();
  const std::string log = logFile();
  ASSERT_NE(log.find("Installation registration failed"), std::string::npos) << log;
  for (const std::string& text : {log, output}) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) EXPECT_FALSE(line.starts_with(forged)) << line;
    EXPECT_EQ(text.find('\x1b'), std::string::npos);
    EXPECT_EQ(text.find("\xc2\x9b"), std::string::npos);
  }
  EXPECT_NE(log.find("bad request\\n" + forged), std::string::npos) << log;
  // The failure's own text keeps its lines, each after the first indented under the line it belongs to.
  for (const std::string& text : {log, output}) {
    if (text.find("Installation registration failed") == std::string::npos) continue;
    EXPECT_NE(text.find(", error:\n\tThe server responded with an error: \n\t - URL: "), std::string::npos) << text;
    EXPECT_NE(text.find("\n\tPlease make sure you use valid VadezeService-Info.plist\n"), std::string::npos) << text;
  }
}

}  // namespace
