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
  syslog(line.level, "%s%s%s", line.facility.c_str(), line.facility.empty() ? "" : ": ", line.message.c_str());
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
    std::fprintf(stderr, "%s%s%s\n", line.facility.c_str(), line.facility.empty() ? "" : ": ", line.message.c_str());
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

}  // namespace

void write(int level, std::string_view facility, std::string_view message) {
  if (!asked(level, facility) && !isLogged(level)) return;
  Line line{level, std::string(facility), std::string(message)};
  if (level > Notice) return emit(line);
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
