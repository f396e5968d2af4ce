#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/log/OwnText.h"

namespace platform::log {

// The system log. Levels follow syslog: 3 error, 4 warning, 5 notice, 6 info, 7 debug. A line is kept
// when its level's bit is set in the mask (3-6 by default: debug lines only when asked for, by
// `ostrel --verbose` or by a library's own debug switch, see showDebugLinesOf); kept lines go to the
// sink (syslog(3) unless a test swapped it, and nowhere when no system log runs) and, when enabled, to
// stderr as well. A line that is not kept costs a level test: nothing is copied or formatted.
enum Level : int { Error = 3, Warning = 4, Notice = 5, Info = 6, Debug = 7 };

struct Line {
  int level;
  std::string facility;  // the client's facility, e.g. "com.vadeze.utilities.logger"; may be empty
  std::string message;
};

using Sink = std::function<void(const Line&)>;

// Mask bit for a level, as setlogmask's LOG_MASK.
constexpr int maskFor(int level) { return 1 << level; }
// All levels up to and including `level`, as LOG_UPTO.
constexpr int maskUpTo(int level) { return (1 << (level + 1)) - 1; }

// A message may carry text from outside (a service's reply, a file's content, a name found on disk): it
// is written with all its control characters escaped, one line, so that no text can end a line early,
// forge the lines after it or move a terminal's cursor. See escapedControlCharacters().
void write(int level, std::string_view facility, std::string_view message);
inline void write(int level, std::string_view message) { write(level, {}, message); }
// A message the program worded itself keeps its line breaks (see OwnText); wherever it is read (the log
// file, stderr, the system log) each line after the first is indented by a tab, which no text of a
// message can begin a line with, so what follows a line break never reads as a line of its own.
void write(int level, std::string_view facility, const OwnText& message);
// Writes the line only the first time this run that it comes with `key`: for what is left in place and
// met again at every later call (a file the app may not read, a link at a lock), which the person hears
// of once. Whether it was the first time.
bool writeOnce(int level, const std::string& key, std::string_view message);

enum class LineFeeds { Escaped, Kept };
// `text` with every control character written out: a line feed, carriage return or tab as "\n", "\r"
// or "\t", other C0 controls and DEL as "\x1B", the C1 controls of UTF-8 as "\u009B", and a byte
// that is no part of valid UTF-8 as "\xFF". Everything else is left as it is, and so are line feeds
// when they are kept.
std::string escapedControlCharacters(std::string_view text, LineFeeds lineFeeds = LineFeeds::Escaped);

void setLevelMask(int mask);
int levelMask();
bool isLogged(int level);

void setStderrCopy(bool enabled);
bool stderrCopy();

// Where a person running the program sees what goes wrong: kept lines at `level` or more urgent (3-7)
// are echoed to stderr whatever the copy above says; -1 (the default) echoes none.
void setStderrEchoLevel(int level);
int stderrEchoLevel();
// Whether a system log daemon listens (its socket, /dev/log, is there): without one, syslog(3) lines
// go nowhere at all.
bool systemLogReachable();

// A library with a debug switch of its own (a launch argument the person gave) asks here for its debug
// lines to be seen: from then on the debug lines of `facility` reach the log file whatever level the
// file keeps, and stderr when the echo shows info lines (`ostrel --verbose`). Without the switch such
// lines would only reach a system log's debug level, which nobody reads (and this machine may not run).
void showDebugLinesOf(std::string_view facility, bool shown = true);
bool debugLinesShownFor(std::string_view facility);

// The program's own log file: kept lines at `level` or more urgent are appended to `fd`, the file at
// `path` opened for appending (the log takes it over), one per line with the date and level. The log
// opens no file at that path of its own: the caller opens it as every file the program keeps is opened,
// only when it is a regular file and without waiting (see AtomicFile::openForAppending). When the file
// passes `rotateAtBytes` it becomes "<path>.1" (replacing an earlier log there, never anything else) and
// a new file is made in its place, made afresh so that nothing standing there by then is opened.
void appendToFile(int fd, const std::string& path, size_t rotateAtBytes, int level);
// Stops appending to the file.
void closeFile();

// Identical errors, warnings and notices (same level, facility and text) written again within
// kRepeatWindowSeconds of the first are held back and counted (see RepeatedLines); debug and info lines,
// which a person asked for, are all written. Collapsing needs the steady clock the program runs on:
// until one is given every line is written. An empty function turns collapsing off again.
inline constexpr double kRepeatWindowSeconds = 10;
void setRepeatClock(std::function<std::int64_t()> monotonicNanoseconds);
// Writes the counts of lines held back so far; the program's end calls it.
void flushRepeats();

// Replaces where kept lines go; returns the previous sink. An empty sink restores syslog.
Sink setSink(Sink sink);

// Swaps the sink for the scope's lifetime and collects every line written, debug lines included (the
// mask is opened while it captures); for tests.
class CapturedLines {
 public:
  CapturedLines();
  ~CapturedLines();
  CapturedLines(const CapturedLines&) = delete;
  CapturedLines& operator=(const CapturedLines&) = delete;

  std::vector<Line> lines() const;
  bool contains(const std::string& fragment) const;
  void clear();

 private:
  struct State;
  std::shared_ptr<State> state_;
  Sink previous_;
  int previousMask_;
};

}  // namespace platform::log
