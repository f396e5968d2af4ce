#include "sdk/utilities/VDULogger.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

#include "platform/dispatch/Once.h"
#include "platform/dispatch/Queue.h"
#include "platform/log/Log.h"
#include "sdk/utilities/VDUAppEnvironmentUtil.h"

namespace {

using platform::dispatch::Queue;

struct LoggerState {
  platform::dispatch::Once setUp;
  // Read on every call from any thread, so atomics rather than plain stores.
  std::atomic<int> level{VDULoggerLevelNotice};
  std::atomic<bool> debug{false};
  // The client's filter, changed only on the logging queue after the level itself.
  std::atomic<int> filterMask{platform::log::maskUpTo(VDULoggerLevelNotice)};
  std::mutex versionMutex;
  std::string version;
  std::shared_ptr<Queue> queue;
};

LoggerState& state() {
  // Never destroyed: lines may still be logged while statics are torn down.
  static auto* loggerState = new LoggerState;
  return *loggerState;
}

void setUpOnce() {
  LoggerState& s = state();
  s.setUp.call([&s] {
    // Old systems copied every line to standard error by themselves; keep that for them.
    if (std::atol(VDUAppEnvironmentUtil::systemVersion().c_str()) < 10) platform::log::setStderrCopy(true);
    s.level.store(VDULoggerLevelNotice);
    s.filterMask.store(platform::log::maskUpTo(VDULoggerLevelNotice));
    s.queue = Queue::serial("VDULoggingClientQueue");
  });
}

std::string currentVersion() {
  LoggerState& s = state();
  std::lock_guard lock(s.versionMutex);
  return s.version;
}

void writeLine(int level, bool mustPass, std::string line) {
  LoggerState& s = state();
  s.queue->async([level, mustPass, line = std::move(line)] {
    // Forced and debug lines were let through on purpose: the client's filter must not drop them again.
    if (!mustPass && (state().filterMask.load() & platform::log::maskFor(level)) == 0) return;
    platform::log::write(level, kVDULoggerFacility, line);
  });
}

// Lines above the current level are dropped unless forced or in debug mode.
bool passes(int level, bool force) {
  setUpOnce();
  return force || state().debug.load() || level <= state().level.load();
}

void logMessage(int level, std::string_view service, bool force, std::string_view code,
                const std::string& text) {
  if (!passes(level, force)) return;
  std::string line = platform::foundation::format("%@ - %@[%@] %@", currentVersion(), service, code, text);
  writeLine(level, force || state().debug.load(), std::move(line));
}

}  // namespace

void VDULoggerInitializeASL() { setUpOnce(); }

void VDULoggerEnableSTDERR() { platform::log::setStderrCopy(true); }

void VDULoggerForceDebug() {
  if (VDUAppEnvironmentUtil::isFromAppStore()) return;
  state().debug.store(true);
  VDUSetLoggerLevel(VDULoggerLevelDebug);
  // Forced by the person's launch argument: its debug lines go where the person looks.
  platform::log::showDebugLinesOf(kVDULoggerFacility);
}

void VDUSetLoggerLevel(int level) {
  if (level < VDULoggerLevelError || level > VDULoggerLevelDebug) {
    VDULogError("[VDULogger]", false, "I-COR000023", "Invalid logger level, %ld", static_cast<long>(level));
    return;
  }
  setUpOnce();
  // Store installs never log above notice unless forced or in debug mode, and take no level from notice
  // up: a store install that lowered its level to warning stays there.
  if (level >= VDULoggerLevelNotice && VDUAppEnvironmentUtil::isFromAppStore()) return;
  LoggerState& s = state();
  s.level.store(level);
  s.queue->async([level] { state().filterMask.store(platform::log::maskUpTo(level)); });
}

bool VDUIsLoggableLevel(int level) { return passes(level, false); }

void VDULoggerRegisterVersion(std::string version) {
  LoggerState& s = state();
  std::lock_guard lock(s.versionMutex);
  s.version = std::move(version);
}

void VDULogBasic(int level, std::string_view service, bool force, std::string_view messageCode,
                 std::string_view message) {
  logMessage(level, service, force, messageCode, std::string(message));
}

void VDULogBasic(int level, std::string_view service, bool force, std::string_view messageCode,
                 std::string_view format, std::span<const platform::foundation::FormatArg> args) {
  // Formatting costs more than the level check, so a dropped line is never formatted.
  if (!passes(level, force)) return;
  logMessage(level, service, force, messageCode, platform::foundation::formatList(format, args));
}

void VDULoggerWrapper::logWithLevel(int level, std::string_view service, std::string_view code,
                                    std::string_view message, std::span<const platform::foundation::FormatArg> args) {
  VDULogBasic(level, service, false, code, message, args);
}

void VDULoggerFlush() {
  setUpOnce();
  state().queue->sync([] {});
}

void VDULoggerResetForTesting() {
  setUpOnce();
  VDULoggerFlush();
  LoggerState& s = state();
  s.debug.store(false);
  platform::log::showDebugLinesOf(kVDULoggerFacility, false);
  s.level.store(VDULoggerLevelNotice);
  s.filterMask.store(platform::log::maskUpTo(VDULoggerLevelNotice));
  VDULoggerRegisterVersion({});
}
