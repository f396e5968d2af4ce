// ostrel started where something other than a folder stands in the place of the container or one of its
// folders (a link in a loop, a link that leads nowhere, a FIFO, a file), of its lock or of its log, and
// with a script's output folder that cannot be made: each start ends in one line that names what stands
// where, or goes on without what it cannot use; nothing is followed, waited on or written over, and a
// start that cannot keep its output ends before it touches the container. Nothing outside the container
// is made or changed through a link in it: not through the keychain's folder or its lock, and not
// through what stands at the name the app's defaults had before.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/foundation/AtomicFile.h"
#include "testing/ChildProcess.h"
#include "testing/FileContents.h"
#include "testing/LoopbackServer.h"
#include "testing/ScratchFolder.h"
#include "testing/TreeChanges.h"

namespace {

namespace fs = std::filesystem;
using ostrel::testing::ChildProcess;
using ostrel::testing::describeWaitStatus;
using platform::foundation::AtomicFile;

// Only for a start that would otherwise never end: a refused one takes a moment, a plain one seconds.
constexpr double kHangGuardSeconds = 120;

// Something that is not what the app expects, as a person, a broken backup or another program leaves it.
struct Stranger {
  const char* kind;  // as the app names it
  std::function<void(const std::string& path)> place;
};

const Stranger kLinkInALoop{"a link in a loop", [](const std::string& path) { fs::create_symlink(fs::path(path).filename(), path); }};
const Stranger kLinkLeadingNowhere{"a link that leads nowhere",
                                   [](const std::string& path) { fs::create_symlink(path + ".unmounted/x", path); }};
const Stranger kFifo{"a FIFO", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << path; }};
const Stranger kFile{"a regular file", [](const std::string& path) { std::ofstream(path) << "someone's"; }};
const Stranger kFolder{"a folder", [](const std::string& path) { fs::create_directory(path); }};
const Stranger kLinkToADevice{"a link to a device", [](const std::string& path) { fs::create_symlink("/dev/zero", path); }};
const Stranger kSocket{"a socket", [](const std::string& path) {
                         sockaddr_un address{};
                         address.sun_family = AF_UNIX;
                         ASSERT_LT(path.size(), sizeof address.sun_path);
                         path.copy(address.sun_path, path.size());
                         const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
                         ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << path;
                         ::close(fd);
                       }};

class ContainerPlacesTest : public ::testing::Test {
 protected:
  // ostrel started with `arguments`, run to its end (or killed past the hang guard, a failure).
  struct Ended {
    int status = -1;
    std::string output;
  };
  Ended run(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), OSTREL_EXECUTABLE);
    auto environment = ostrel::testing::environmentWithout({"OSTREL_", "DISPLAY=", "WAYLAND_DISPLAY="});
    for (const char* service : {"OSTREL_ANALYTICS_URL=", "OSTREL_INSTALLATIONS_URL="}) {
      environment.push_back(service + server.url(""));
    }
    auto app = ChildProcess::start(arguments, environment);
    if (!app) {
      ADD_FAILURE() << "ostrel did not start";
      return {};
    }
    const int status = app->waitAtMost(kHangGuardSeconds);
    EXPECT_NE(status, -1) << "still running after " << kHangGuardSeconds << " s: " << app->output();
    return {status, app->output()};
  }
  static bool exitedWith(const Ended& ended, int status) {
    return WIFEXITED(ended.status) && WEXITSTATUS(ended.status) == status;
  }
  // A new container with `stranger` at `relative` (the container itself when empty); the path it stands at.
  std::string placedInANewContainer(const Stranger& stranger, const std::string& relative) {
    home = folder.pathFor("home-" + std::to_string(++cases));
    const std::string path = relative.empty() ? home : home + "/" + relative;
    fs::create_directories(fs::path(path).parent_path());
    stranger.place(path);
    return path;
  }

  ostrel::testing::ScratchFolder folder;
  ostrel::testing::LoopbackServer server;
  int cases = 0;
  std::string home;  // the container of the case
};

// The container, and each folder the app keeps files in: one line, status 1, and what stands there is
// left as it was. A folder that is a file was refused so before; a link in a loop aborted every start.
TEST_F(ContainerPlacesTest, WhatStandsInAContainerFoldersPlaceIsNamedInOneLine) {
  const char* folders[] = {"",          "Documents",      "Library", "Library/Preferences", "Library/Caches",
                           "Library/Logs", "Library/Application Support", "tmp"};
  for (const Stranger& stranger : {kLinkInALoop, kLinkLeadingNowhere, kFifo, kFile}) {
    for (const char* relative : folders) {
      const std::string path = placedInANewContainer(stranger, relative);
      const std::string what = std::string(stranger.kind) + " at " + (*relative ? relative : "the container");
      const Ended ended = run({"--home", home});
      EXPECT_TRUE(exitedWith(ended, 1)) << what << ": " << describeWaitStatus(ended.status) << "\n" << ended.output;
      EXPECT_EQ(ended.output, "ostrel: cannot keep the app's files in " + home + ": " +
                                  (*relative ? std::string(relative) + ": " : "") + "it is " + stranger.kind +
                                  ", not a folder\n")
          << what;
      EXPECT_EQ(AtomicFile::whatStandsAt(path).words(), stranger.kind) << what;
      EXPECT_FALSE(AtomicFile::anythingAt(home + "/Documents/FramesData.plist")) << what;
    }
  }
}

// The container's lock is never followed or waited on: what stands in its place is named.
TEST_F(ContainerPlacesTest, WhatStandsInTheLocksPlaceIsNamed) {
  for (const Stranger& stranger : {kLinkInALoop, kLinkLeadingNowhere, kFifo, kFolder}) {
    const std::string lock = placedInANewContainer(stranger, "Library/ostrel.lock");
    const Ended ended = run({"--home", home});
    EXPECT_TRUE(exitedWith(ended, 1)) << stranger.kind << ": " << describeWaitStatus(ended.status);
    EXPECT_EQ(ended.output,
              "ostrel: cannot lock the container with " + lock + ": it is " + stranger.kind + ", not a regular file\n");
    EXPECT_EQ(AtomicFile::whatStandsAt(lock).words(), stranger.kind);
  }
}

// The log file is opened as every stored file is: without waiting, and only when it is a file. Anything
// else is left in place, and the run goes on without its file log and says so on the console.
TEST_F(ContainerPlacesTest, WhatStandsInTheLogsPlaceLeavesTheRunWithoutItsFileLog) {
  for (const Stranger& stranger : {kFifo, kLinkLeadingNowhere, kLinkInALoop, kFolder}) {
    const std::string log = placedInANewContainer(stranger, "Library/Logs/ostrel.log");
    const Ended ended = run({"--home", home});
    EXPECT_TRUE(exitedWith(ended, 0)) << stranger.kind << ": " << describeWaitStatus(ended.status) << "\n" << ended.output;
    EXPECT_NE(ended.output.find("ostrel: this run keeps no log file: cannot open " + log + ": it is " + stranger.kind +
                                ", not a regular file\n"),
              std::string::npos)
        << ended.output;
    EXPECT_EQ(AtomicFile::whatStandsAt(log).words(), stranger.kind);
    EXPECT_FALSE(AtomicFile::anythingAt(log + ".unmounted")) << "the link's far end was made";
    EXPECT_TRUE(AtomicFile::fileExists(home + "/Documents/FramesData.plist")) << stranger.kind << ": the start ran";
  }
}

// A link at the keychain's lock that leads out of the container, and a keychain folder that is a link
// to a folder outside: a plain start and a tour make nothing there and change no mode there; the link
// is named and left, and the keychain is not used while it stands.
TEST_F(ContainerPlacesTest, NothingOutsideTheContainerIsMadeOrChangedThroughTheKeychainsLinks) {
  const std::string outside = folder.pathFor("outside");
  fs::create_directory(outside);
  fs::permissions(outside, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
  const std::pair<std::string, std::function<void(const std::string&)>> links[] = {
      {"Library/Keychains/.lock", [&](const std::string& path) { fs::create_symlink(outside + "/lock", path); }},
      {"Library/Keychains", [&](const std::string& path) { fs::create_directory_symlink(outside, path); }},
  };
  for (const auto& [relative, place] : links) {
    const std::string path = placedInANewContainer({"a link", place}, relative);
    const std::string kind = AtomicFile::whatStandsAt(path).words();
    ostrel::testing::TreeChanges changes(outside);
    ASSERT_TRUE(changes.watching());
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--home", home}, {"--home", home, "--script", OSTREL_TOUR, "--out", home + "/tour"}}) {
      const Ended ended = run(arguments);
      EXPECT_TRUE(exitedWith(ended, 0)) << relative << ": " << describeWaitStatus(ended.status) << "\n" << ended.output;
      EXPECT_NE(ended.output.find(path + " is " + kind), std::string::npos) << relative << "\n" << ended.output;
    }
    EXPECT_EQ(changes.take(), std::vector<std::string>()) << relative;
    EXPECT_EQ(fs::status(outside).permissions() & fs::perms::all,
              fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                  fs::perms::others_exec)
        << relative;
    EXPECT_EQ(AtomicFile::whatStandsAt(path).words(), kind) << relative;
  }
}

// Whatever stands at the name the app's defaults had before its bundle named itself is looked at
// before the defaults move to their new name: only a file of the app's moves; anything else is named
// and left where it stands, and the defaults start in a file of their own.
TEST_F(ContainerPlacesTest, WhatStandsAtTheDefaultsFormerNameIsNamedAndLeft) {
  for (const Stranger& stranger : {kFifo, kSocket, kFolder, kLinkToADevice}) {
    const std::string former = placedInANewContainer(stranger, "Library/Preferences/ostrel.plist");
    const Ended ended = run({"--home", home});
    EXPECT_TRUE(exitedWith(ended, 0)) << stranger.kind << ": " << describeWaitStatus(ended.status) << "\n" << ended.output;
    EXPECT_EQ(AtomicFile::whatStandsAt(former).words(), stranger.kind);
    const std::string named = home + "/Library/Preferences/app.ostrel.Ostrel.plist";
    EXPECT_TRUE(AtomicFile::whatStandsAt(named).words().empty() || AtomicFile::whatStandsAt(named).words() == "a regular file")
        << stranger.kind << ": " << AtomicFile::whatStandsAt(named).words();
    EXPECT_NE(ended.output.find(former + " are not moved to " + named + ": it is " + stranger.kind + ", which is left in place"),
              std::string::npos)
        << stranger.kind << "\n" << ended.output;
  }
}

// What the command line asks for is checked before the container is touched: a script's output folder
// that cannot be made, or a script that cannot be read, ends the start with the container not made.
TEST_F(ContainerPlacesTest, AScriptWhoseOutputOrSourceCannotBeUsedEndsBeforeTheContainerIsMade) {
  const std::string file = folder.pathFor("a-file");
  std::ofstream(file) << "x";
  home = folder.pathFor("home");
  const std::pair<std::string, std::string> outputs[] = {
      {"/proc/ostrel-output", "No such file or directory"},
      {file, "it is a regular file, not a folder"},
      {file + "/below", "Not a directory"},
  };
  for (const auto& [output, reason] : outputs) {
    const Ended ended = run({"--home", home, "--script", OSTREL_TOUR, "--out", output});
    EXPECT_TRUE(exitedWith(ended, 1)) << output << ": " << describeWaitStatus(ended.status);
    EXPECT_EQ(ended.output, "ostrel: cannot write the script's output in " + output + ": " + reason + "\n");
    EXPECT_FALSE(fs::exists(home)) << output;
  }
  const Ended missing = run({"--home", home, "--script", folder.pathFor("missing.script"), "--out", folder.pathFor("out")});
  EXPECT_TRUE(exitedWith(missing, 2)) << describeWaitStatus(missing.status);
  EXPECT_FALSE(fs::exists(home));
  EXPECT_FALSE(fs::exists(folder.pathFor("out")));
}

// A script whose picture cannot be written (a folder stands at its name) ends the run with a line that
// names the script, its control characters escaped as every other reason's are: a file name cannot
// clear the person's terminal or forge a line.
TEST_F(ContainerPlacesTest, AScriptsFailureNamesItsFileWithoutItsControlCharacters) {
  home = folder.pathFor("home");
  const std::string source = folder.pathFor("clear\x1b[2J.script");
  std::ofstream(source) << "shot first\n";
  const std::string output = folder.pathFor("out");
  fs::create_directories(output + "/first.png");
  const Ended ended = run({"--home", home, "--script", source, "--out", output});
  EXPECT_TRUE(exitedWith(ended, 1)) << describeWaitStatus(ended.status) << "\n" << ended.output;
  EXPECT_EQ(ended.output.find('\x1b'), std::string::npos) << ended.output;
  EXPECT_NE(ended.output.find("ostrel: " + folder.pathFor("clear\\x1B[2J.script") + ":1: cannot write " + output +
                              "/first.png"),
            std::string::npos)
      << ended.output;
}

}  // namespace
