#include "sdk/utilities/Logger.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

#include "platform/dispatch/Once.h"
#include "platform/dispatch/Queue.h"
#include "platform/log/Log.h"
#include "sdk/utilities/AppEnvironmentUtil.h"
#include "sdk/utilities/UtilitiesMessageCodes.h"

namespace sdk::utilities {

namespace {

using platform::dispatch::Queue;

struct LoggerState {
  platform::dispatch::Once setUp;
  // Read on every call from any thread, so atomics rather than plain stores.
  std::atomic<int> level{kLoggerLevelNotice};
  std::atomic<bool> debug{false};
  // The client's filter, changed only on the logging queue after the level itself.
  std::atomic<int> filterMask{platform::log::maskUpTo(kLoggerLevelNotice)};
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
    if (std::atol(AppEnvironmentUtil::systemVersion().c_str()) < 10) platform::log::setStderrCopy(true);
    s.level.store(kLoggerLevelNotice);
    s.filterMask.store(platform::log::maskUpTo(kLoggerLevelNotice));
    s.queue = Queue::serial("VDULoggingClientQueue");
  });
}

std::string currentVersion() {
  LoggerState& s = state();
  std::lock_guard lock(s.versionMutex);
  return s.version;
}

void writeLine(int level, bool mustPass, platform::log::OwnText line) {
  LoggerState& s = state();
  s.queue->async([level, mustPass, line = std::move(line)] {
    // Forced and debug lines were let through on purpose: the client's filter must not drop them again.
    if (!mustPass && (state().filterMask.load() & platform::log::maskFor(level)) == 0) return;
    platform::log::write(level, kLoggerFacility, line);
  });
}

// Lines above the current level are dropped unless forced or in debug mode.
bool passes(int level, bool force) {
  setUpOnce();
  return force || state().debug.load() || level <= state().level.load();
}

// `text` goes in escaped, or as it stands when it is an OwnText.
void logMessage(int level, std::string_view service, bool force, std::string_view code,
                const platform::foundation::FormatArg& text) {
  if (!passes(level, force)) return;
  const std::string version = currentVersion();
  platform::log::OwnText line = platform::foundation::formatLogText("%@ - %@[%@] %@", version, service, code, text);
  writeLine(level, force || state().debug.load(), std::move(line));
}

}  // namespace

void initializeLogger() { setUpOnce(); }

void enableLoggerStderr() { platform::log::setStderrCopy(true); }

void forceLoggerDebug() {
  if (AppEnvironmentUtil::isFromAppStore()) return;
  state().debug.store(true);
  setLoggerLevel(kLoggerLevelDebug);
  // Forced by the person's launch argument: its debug lines go where the person looks.
  platform::log::showDebugLinesOf(kLoggerFacility);
}

void setLoggerLevel(int level) {
  if (level < kLoggerLevelError || level > kLoggerLevelDebug) {
    logError("[VDULogger]", false, messages::kInvalidLoggerLevel, "Invalid logger level, %ld", static_cast<long>(level));
    return;
  }
  setUpOnce();
  // Store installs never log above notice unless forced or in debug mode, and take no level from notice
  // up: a store install that lowered its level to warning stays there.
  if (level >= kLoggerLevelNotice && AppEnvironmentUtil::isFromAppStore()) return;
  LoggerState& s = state();
  s.level.store(level);
  s.queue->async([level] { state().filterMask.store(platform::log::maskUpTo(level)); });
}

bool isLoggableLevel(int level) { return passes(level, false); }

void registerLoggerVersion(std::string version) {
  LoggerState& s = state();
  std::lock_guard lock(s.versionMutex);
  s.version = std::move(version);
}

void logBasic(int level, std::string_view service, bool force, std::string_view messageCode,
                 std::string_view message) {
  logMessage(level, service, force, messageCode, message);
}

void logBasic(int level, std::string_view service, bool force, std::string_view messageCode,
              platform::foundation::FormatLiteral format, std::span<const platform::foundation::FormatArg> args) {
  // Formatting costs more than the level check, so a dropped line is never formatted.
  if (!passes(level, force)) return;
  const platform::log::OwnText text = platform::foundation::formatLogTextList(format, args);
  logMessage(level, service, force, messageCode, text);
}

void LoggerWrapper::logWithLevel(int level, std::string_view service, std::string_view code,
                                 platform::foundation::FormatLiteral message,
                                 std::span<const platform::foundation::FormatArg> args) {
  logBasic(level, service, false, code, message, args);
}

void flushLogger() {
  setUpOnce();
  state().queue->sync([] {});
}

void resetLoggerForTesting() {
  setUpOnce();
  flushLogger();
  LoggerState& s = state();
  s.debug.store(false);
  platform::log::showDebugLinesOf(kLoggerFacility, false);
  s.level.store(kLoggerLevelNotice);
  s.filterMask.store(platform::log::maskUpTo(kLoggerLevelNotice));
  registerLoggerVersion({});
}

}  // namespace sdk::utilities

