#include "platform/log/Log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>

#include "testing/FileContents.h"
#include "testing/ScratchFolder.h"

namespace platform::log {
namespace {

using ostrel::testing::contentsOf;

int openedForAppending(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

// What a service's reply may hold after a line feed, to pass for a line of the log file.
constexpr const char* kForgedLine = "2026-12-08 10:00:00 error ProcessEnd: all data was deleted";

class LogTest : public ::testing::Test {
 protected:
  void TearDown() override {
    setLevelMask(maskUpTo(Debug));
    setStderrCopy(false);
    setStderrEchoLevel(-1);
    closeFile();
    showDebugLinesOf("lib", false);
    setRepeatClock({});
  }
  // A log file in `folder` keeping notices and up, and warnings echoed on stderr, as at a terminal.
  std::string fileAndStderrOfWarnings(const ostrel::testing::ScratchFolder& folder) {
    const std::string path = folder / "ostrel.log";
    appendToFile(openedForAppending(path), path, 1 << 20, Notice);
    setStderrEchoLevel(Warning);
    return path;
  }
  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    for (const auto& line : captured.lines()) out.push_back(line.message);
    return out;
  }
  CapturedLines captured;
};

TEST_F(LogTest, MaskDecidesWhichLevelsReachTheSinkAndStrayLevelsNeverDo) {
  struct Case { int mask; int level; bool kept; };
  for (Case c : {Case{maskUpTo(Warning), Error, true}, Case{maskUpTo(Warning), Warning, true},
                 Case{maskUpTo(Warning), Notice, false}, Case{maskFor(Debug), Error, false},
                 Case{maskFor(Debug), Debug, true}, Case{~0, -1, false}, Case{~0, 8, false},
                 Case{~0, 24, false}, Case{~0, 64, false}}) {
    captured.clear();
    setLevelMask(c.mask);
    write(c.level, "fac", "line");
    EXPECT_EQ(captured.lines().size(), c.kept ? 1u : 0u) << "mask " << c.mask << " level " << c.level;
  }
}

TEST_F(LogTest, StderrCopyMirrorsKeptLinesOnly) {
  setStderrCopy(true);
  setLevelMask(maskUpTo(Error));
  testing::internal::CaptureStderr();
  write(Error, "svc", "to both");
  write(Info, "svc", "to neither");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "svc: to both\n");
  ASSERT_EQ(captured.lines().size(), 1u);
  EXPECT_EQ(captured.lines()[0].facility, "svc");
}

TEST_F(LogTest, ConcurrentWritersLoseNoLines) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 250; ++i) write(Info, "line " + std::to_string(t));
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(captured.lines().size(), 1000u);
}

TEST_F(LogTest, TheEchoShowsTheUrgentLinesOnStderrEvenWithoutTheCopy) {
  setStderrEchoLevel(Warning);
  testing::internal::CaptureStderr();
  write(Error, "", "broken");
  write(Warning, "", "odd");
  write(Notice, "", "fine");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "broken\nodd\n");
  EXPECT_EQ(captured.lines().size(), 3u) << "the sink still gets every kept line";
}

TEST_F(LogTest, TheLogFileTakesTheUrgentLinesAndRotatesAtItsLimit) {
  ostrel::testing::ScratchFolder folder;
  const std::string path = folder / "ostrel.log";
  appendToFile(openedForAppending(path), path, 200, Notice);
  write(Warning, "svc", "first");
  write(Info, "svc", "left out");
  const std::string one = contentsOf(path);
  EXPECT_NE(one.find(" warning svc: first\n"), std::string::npos) << one;
  EXPECT_EQ(one.find("left out"), std::string::npos);
  // Past the limit the file moves to ".1" and a new one starts; an older ".1" goes.
  for (int i = 0; i < 10; ++i) write(Error, "line " + std::to_string(i) + " of some length");
  EXPECT_NE(contentsOf(path + ".1").find("line"), std::string::npos);
  EXPECT_LT(contentsOf(path).size(), 200u + 60u);
  EXPECT_EQ(contentsOf(path + ".1").find("first"), std::string::npos) << "rotated twice: the oldest lines went";
  // What is not an earlier log is never replaced: the file goes on past its bound.
  ::unlink((path + ".1").c_str());
  ASSERT_EQ(::mkfifo((path + ".1").c_str(), 0600), 0);
  for (int i = 0; i < 10; ++i) write(Error, "line " + std::to_string(i) + " past the bound");
  EXPECT_NE(contentsOf(path).find("line 9 past the bound"), std::string::npos);
  struct stat older {};
  EXPECT_TRUE(::lstat((path + ".1").c_str(), &older) == 0 && S_ISFIFO(older.st_mode));
}

TEST_F(LogTest, DebugLinesALibraryWasAskedForReachTheFileAndTheVerboseStderrOnly) {
  ostrel::testing::ScratchFolder folder;
  const std::string path = folder / "ostrel.log";
  appendToFile(openedForAppending(path), path, 1 << 20, Notice);
  showDebugLinesOf("lib");
  setStderrEchoLevel(Warning);
  testing::internal::CaptureStderr();
  write(Debug, "lib", "asked for");
  write(Debug, "app", "not asked for");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "without --verbose stderr keeps to warnings";
  setStderrEchoLevel(Info);
  testing::internal::CaptureStderr();
  write(Debug, "lib", "asked again");
  write(Debug, "app", "still not");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "lib: asked again\n");
  showDebugLinesOf("lib", false);
  write(Debug, "lib", "switched off");
  const std::string text = contentsOf(path);
  EXPECT_NE(text.find(" debug lib: asked for\n"), std::string::npos) << text;
  EXPECT_NE(text.find("asked again"), std::string::npos);
  for (const char* absent : {"not asked for", "still not", "switched off"}) {
    EXPECT_EQ(text.find(absent), std::string::npos) << absent;
  }
}

TEST_F(LogTest, PartsOfLongerTextsAreWrittenAsTheyAreCut) {
  const std::string text = "lib-and-more: a line, and text that follows it";
  setStderrCopy(true);
  testing::internal::CaptureStderr();
  write(Warning, std::string_view(text).substr(0, 3), std::string_view(text).substr(14, 6));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "lib: a line\n");
  ASSERT_EQ(captured.lines().size(), 1u);
  EXPECT_EQ(captured.lines()[0].facility, "lib");
  EXPECT_EQ(captured.lines()[0].message, "a line");
}

// A service's reply or a file's content quoted in a line: a line feed and a made-up line after it, a
// terminal's escapes (7-bit and the 8-bit CSI of UTF-8) and bytes that are no UTF-8 reach the file,
// stderr and the sink written out, one line per message; text in any script stays as it is.
TEST_F(LogTest, ControlCharactersInAMessageAreWrittenOutAndForgeNoLine) {
  using namespace std::string_literals;
  ostrel::testing::ScratchFolder folder;
  const std::string path = fileAndStderrOfWarnings(folder);
  const std::string forged = kForgedLine;
  testing::internal::CaptureStderr();
  write(Warning, "svc", "reply: bad request\n" + forged + "\r\n\tend");
  write(Warning, "svc", "reply: \x1b[2J\x1b]0;title\x07 \xc2\x9b" "31m red \x7f\x00 nul"s);
  write(Warning, "svc", std::string("reply: \xff\xc0\xaf \xed\xa0\x80 \xe2\x82 cut"));
  write(Warning, "svc", "kept: Gr\u00fc\u00dfe \u2713 \U0001F600 \u00a0 back\\slash");
  const std::string echoed = testing::internal::GetCapturedStderr();
  const std::vector<std::string> expected = {
      "reply: bad request\\n" + forged + "\\r\\n\\tend",
      "reply: \\x1B[2J\\x1B]0;title\\x07 \\u009B31m red \\x7F\\x00 nul",
      "reply: \\xFF\\xC0\\xAF \\xED\\xA0\\x80 \\xE2\\x82 cut",
      "kept: Gr\u00fc\u00dfe \u2713 \U0001F600 \u00a0 back\\slash",
  };
  EXPECT_EQ(messages(), expected);
  std::string lines;
  for (const std::string& message : expected) lines += "svc: " + message + "\n";
  EXPECT_EQ(echoed, lines);
  const std::string file = contentsOf(path);
  EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 4) << file;
  EXPECT_EQ(file.find("\n" + forged), std::string::npos) << file;
  EXPECT_EQ(file.find('\x1b'), std::string::npos);
}

// A text the program worded itself keeps its line breaks: the sink sees them as they are, and the file
// and stderr indent every line after the first, so that what follows a break (here a made-up line that
// slipped in) never starts a line; its other control characters are written out all the same.
TEST_F(LogTest, AnOwnTextKeepsItsLineBreaksAndItsLaterLinesAreIndented) {
  ostrel::testing::ScratchFolder folder;
  const std::string path = fileAndStderrOfWarnings(folder);
  const std::string forged = kForgedLine;
  testing::internal::CaptureStderr();
  write(Warning, "svc", OwnText("failed:\n" + forged + "\n\ttab \x1b[2J\r\n"));
  write(Error, "", OwnText("one line"));
  const std::string echoed = testing::internal::GetCapturedStderr();
  EXPECT_EQ(messages(), (std::vector<std::string>{"failed:\n" + forged + "\n\\ttab \\x1B[2J\\r\n", "one line"}));
  EXPECT_EQ(echoed, "svc: failed:\n\t" + forged + "\n\t\\ttab \\x1B[2J\\r\n\t\none line\n");
  const std::string file = contentsOf(path);
  EXPECT_NE(file.find(" warning svc: failed:\n\t" + forged + "\n\t\\ttab"), std::string::npos) << file;
  std::istringstream lines(file);
  std::vector<std::string> unindented;
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with("\t")) unindented.push_back(line);
  }
  ASSERT_EQ(unindented.size(), 2u) << file;
  EXPECT_NE(unindented[1].find(" error one line"), std::string::npos) << file;
  for (const std::string& line : unindented) EXPECT_FALSE(line.starts_with(forged)) << line;
}

// A full disk under a stream of writes: the same failure, hundreds of times within seconds.
TEST_F(LogTest, IdenticalLinesWithinTheWindowAreOneLineAndACount) {
  std::int64_t now = 0;
  setRepeatClock([&now] { return now; });
  const auto seconds = [](double s) { return static_cast<std::int64_t>(s * 1e9); };
  for (int i = 0; i < 305; ++i) {
    write(Error, "db", "disk is full");
    if (i == 100) write(Warning, "db", "disk is full");  // another level is another line
    if (i < 3) write(Debug, "db", "retrying");            // lines someone asked for are all written
    now += seconds(0.01);
  }
  EXPECT_EQ(messages(), (std::vector<std::string>{"disk is full", "retrying", "retrying", "retrying", "disk is full"}));

  // The window over, the next line of any kind brings the counts first.
  now += seconds(kRepeatWindowSeconds);
  write(Notice, "", "later");
  ASSERT_EQ(messages().size(), 7u) << "a series with nothing held ends without a line";
  EXPECT_EQ(messages()[5], "disk is full [repeated 304 more times]");
  EXPECT_EQ(captured.lines()[5].level, Error);
  EXPECT_EQ(captured.lines()[5].facility, "db");
  EXPECT_EQ(messages()[6], "later");

  // The program's end writes what is still held.
  write(Notice, "", "later");
  write(Notice, "", "later");
  EXPECT_EQ(messages().size(), 7u);
  flushRepeats();
  ASSERT_EQ(messages().size(), 8u);
  EXPECT_EQ(messages()[7], "later [repeated 2 more times]");
  flushRepeats();
  EXPECT_EQ(messages().size(), 8u);
}

// Outside the fixture: no capture opens the mask here.
TEST(LogDefaultsTest, DebugLinesAreKeptOnlyWhenAskedFor) {
  EXPECT_TRUE(isLogged(Info));
  EXPECT_FALSE(isLogged(Debug));
  std::vector<std::string> kept;
  Sink previous = setSink([&kept](const Line& line) { kept.push_back(line.facility + " " + line.message); });
  write(Debug, "app", "not asked for");
  write(Info, "app", "info");
  showDebugLinesOf("lib");
  write(Debug, "lib", "asked for");
  write(Debug, "app", "still not");
  showDebugLinesOf("lib", false);
  const int mask = levelMask();
  setLevelMask(maskUpTo(Debug));  // as ostrel --verbose does
  write(Debug, "app", "verbose");
  setLevelMask(mask);
  setSink(std::move(previous));
  EXPECT_EQ(kept, (std::vector<std::string>{"app info", "lib asked for", "app verbose"}));
}

}  // namespace
}  // namespace platform::log
