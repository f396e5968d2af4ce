#include "platform/log/Log.h"

#include "platform/log/LogFile.h"
#include "platform/log/RepeatedLines.h"

#include <sys/stat.h>
#include <syslog.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <set>
#include <vector>

namespace platform::log {
namespace {

std::atomic<int> gMask{maskUpTo(Info)};
std::atomic<bool> gStderr{false};
std::atomic<int> gEcho{-1};

std::mutex& sinkMutex() {
  static std::mutex m;
  return m;
}

Sink& sinkSlot() {
  static Sink sink;
  return sink;
}

// Facilities whose debug lines the person asked for; the count spares ordinary lines the lock.
struct AskedFacilities {
  std::mutex mutex;
  std::set<std::string, std::less<>> names;
  std::atomic<std::size_t> count{0};
};

// Never destroyed, like the log file: static destructors may still write lines.
AskedFacilities& askedFacilities() {
  static auto* instance = new AskedFacilities;
  return *instance;
}

bool asked(int level, std::string_view facility) {
  if (level != Debug || facility.empty()) return false;
  AskedFacilities& a = askedFacilities();
  if (a.count.load(std::memory_order_relaxed) == 0) return false;
  std::lock_guard lock(a.mutex);
  return a.names.find(facility) != a.names.end();
}

void writeToSyslog(const Line& line) {
  // Without a daemon listening, glibc opens a socket for every line, fails to connect and closes it
  // again: look once, and send nothing when nobody listens.
  static const bool reachable = systemLogReachable();
  if (!reachable) return;
  // The mask is ours; syslog's own mask stays open so it never drops what we decided to keep.
  syslog(line.level, "%s", readableText(line).c_str());
}

struct Repeats {
  std::mutex mutex;
  RepeatedLines lines;
  std::function<std::int64_t()> clock;
};

// Never destroyed, like the log file: static destructors may still write lines.
Repeats& repeats() {
  static auto* instance = new Repeats;
  return *instance;
}

void emit(const Line& line) {
  const bool wanted = asked(line.level, line.facility);
  const int echo = gEcho.load(std::memory_order_relaxed);
  if (gStderr.load(std::memory_order_relaxed) || line.level <= echo || (wanted && echo >= Info)) {
    std::fprintf(stderr, "%s\n", readableText(line).c_str());
  }
  appendLineToFile(line, wanted);
  Sink sink;
  {
    std::lock_guard lock(sinkMutex());
    sink = sinkSlot();
  }
  if (sink) {
    sink(line);
  } else {
    writeToSyslog(line);
  }
}

// The length of the UTF-8 sequence that starts `text` at `at` when it is valid (no overlong form, no
// surrogate, nothing past U+10FFFF), 0 when it is not.
std::size_t validSequenceAt(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the byte after the lead
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
  }
  return length;
}

bool needsNoEscape(std::string_view text, LineFeeds lineFeeds) {
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 || byte >= 0x7F) && !(byte == '\n' && lineFeeds == LineFeeds::Kept)) return false;
  }
  return true;
}

// Identical errors, warnings and notices are held back by RepeatedLines once the program's clock is known.
void admit(Line line) {
  if (line.level > Notice) return emit(line);
  Repeats& held = repeats();
  std::function<std::int64_t()> clock;
  {
    std::lock_guard lock(held.mutex);
    clock = held.clock;
  }
  if (!clock) return emit(line);
  // Read outside the lock: the clock has locks of its own, and code holding them may log.
  const std::int64_t now = clock();
  std::vector<Line> lines;
  {
    std::lock_guard lock(held.mutex);
    lines = held.lines.admit(std::move(line), now);
  }
  for (const Line& each : lines) emit(each);
}

}  // namespace

std::string escapedControlCharacters(std::string_view text, LineFeeds lineFeeds) {
  if (needsNoEscape(text, lineFeeds)) return std::string(text);
  std::string escaped;
  escaped.reserve(text.size() + 16);
  char code[8];
  for (std::size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if ((byte >= 0x20 && byte < 0x7F) || (byte == '\n' && lineFeeds == LineFeeds::Kept)) {
      escaped += text[at++];
      continue;
    }
    if (byte == '\n' || byte == '\r' || byte == '\t') {
      escaped += byte == '\n' ? "\\n" : byte == '\r' ? "\\r" : "\\t";
      ++at;
      continue;
    }
    // An ASCII control or a byte that starts no valid sequence is written by its value.
    const std::size_t length = byte < 0x80 ? 0 : validSequenceAt(text, at);
    if (length == 0) {
      std::snprintf(code, sizeof code, "\\x%02X", byte);
      escaped += code;
      ++at;
    } else if (byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0) {
      std::snprintf(code, sizeof code, "\\u%04X", static_cast<unsigned char>(text[at + 1]));
      escaped += code;
      at += 2;
    } else {
      escaped.append(text.substr(at, length));
      at += length;
    }
  }
  return escaped;
}

void write(int level, std::string_view facility, std::string_view message) {
  if (!asked(level, facility) && !isLogged(level)) return;
  admit(Line{level, std::string(facility), escapedControlCharacters(message)});
}

void write(int level, std::string_view facility, const OwnText& message) {
  if (!asked(level, facility) && !isLogged(level)) return;
  // An OwnText holds no control character but its line feeds, which the outputs indent after.
  admit(Line{level, std::string(facility), message.text()});
}

bool writeOnce(int level, const std::string& key, std::string_view message) {
  // Never destroyed: a save at exit may still get here after statics are torn down.
  static auto* mutex = new std::mutex;
  static auto* written = new std::set<std::string>;
  {
    std::lock_guard lock(*mutex);
    if (!written->insert(key).second) return false;
  }
  write(level, message);
  return true;
}

void setRepeatClock(std::function<std::int64_t()> monotonicNanoseconds) {
  flushRepeats();
  Repeats& held = repeats();
  std::lock_guard lock(held.mutex);
  held.clock = std::move(monotonicNanoseconds);
}

void flushRepeats() {
  Repeats& held = repeats();
  std::vector<Line> lines;
  {
    std::lock_guard lock(held.mutex);
    lines = held.lines.drain();
  }
  for (const Line& each : lines) emit(each);
}

void setLevelMask(int mask) { gMask.store(mask, std::memory_order_relaxed); }
int levelMask() { return gMask.load(std::memory_order_relaxed); }
bool isLogged(int level) {
  // syslog reads the bits above 7 as the facility, so a level there would land in another log.
  return level >= 0 && level <= Debug && (levelMask() & maskFor(level)) != 0;
}

void setStderrCopy(bool enabled) { gStderr.store(enabled, std::memory_order_relaxed); }
void setStderrEchoLevel(int level) { gEcho.store(level, std::memory_order_relaxed); }
int stderrEchoLevel() { return gEcho.load(std::memory_order_relaxed); }

void showDebugLinesOf(std::string_view facility, bool shown) {
  AskedFacilities& a = askedFacilities();
  std::lock_guard lock(a.mutex);
  if (shown) {
    a.names.emplace(facility);
  } else if (auto found = a.names.find(facility); found != a.names.end()) {
    a.names.erase(found);
  }
  a.count.store(a.names.size(), std::memory_order_relaxed);
}

bool debugLinesShownFor(std::string_view facility) { return asked(Debug, facility); }

bool systemLogReachable() {
  struct stat info {};
  return ::stat("/dev/log", &info) == 0 && S_ISSOCK(info.st_mode);
}
bool stderrCopy() { return gStderr.load(std::memory_order_relaxed); }

Sink setSink(Sink sink) {
  std::lock_guard lock(sinkMutex());
  Sink previous = std::move(sinkSlot());
  sinkSlot() = std::move(sink);
  return previous;
}

struct CapturedLines::State {
  mutable std::mutex mutex;
  std::vector<Line> lines;
};

CapturedLines::CapturedLines() : state_(std::make_shared<State>()), previousMask_(levelMask()) {
  setLevelMask(maskUpTo(Debug));
  auto state = state_;
  previous_ = setSink([state](const Line& line) {
    std::lock_guard lock(state->mutex);
    state->lines.push_back(line);
  });
}

CapturedLines::~CapturedLines() {
  setSink(std::move(previous_));
  setLevelMask(previousMask_);
}

std::vector<Line> CapturedLines::lines() const {
  std::lock_guard lock(state_->mutex);
  return state_->lines;
}

bool CapturedLines::contains(const std::string& fragment) const {
  std::lock_guard lock(state_->mutex);
  for (const auto& line : state_->lines) {
    if (line.message.find(fragment) != std::string::npos) return true;
  }
  return false;
}

void CapturedLines::clear() {
  std::lock_guard lock(state_->mutex);
  state_->lines.clear();
}

}  // namespace platform::log
