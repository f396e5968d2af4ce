#include "sdk/analytics/foundation/Monitor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/foundation/Clock.h"
#include "platform/foundation/ProcessArguments.h"
#include "platform/foundation/Utf8.h"
#include "platform/log/Log.h"
#include "platform/ui/Application.h"
#include "sdk/analytics/foundation/QueryString.h"

namespace sdk::analytics {

namespace {

constexpr std::size_t kMaxContextCodePoints = 100;
// Room an entry may take once encoded: level, code, a count of up to 19 digits and separators.
constexpr std::size_t kEntryOverhead = 32;

std::vector<std::string> currentLaunchArguments() {
  auto application = platform::ui::Application::sharedApplication();
  return application ? application->arguments() : std::vector<std::string>{};
}

// The command line warns of single-dash words nobody reads; these are read.
[[maybe_unused]] const bool monitorSwitchesDeclared =
    (platform::foundation::declareLaunchArguments(
         {Monitor::kDebugEnabledArguments[0], Monitor::kDebugEnabledArguments[1], Monitor::kDebugDisabledArguments[0],
          Monitor::kDebugDisabledArguments[1], Monitor::kVerboseEnabledArguments[0], Monitor::kVerboseEnabledArguments[1],
          Monitor::kVerboseDisabledArguments[0], Monitor::kVerboseDisabledArguments[1]}),
     true);

template <std::size_t N>
bool names(const char* const (&arguments)[N], const std::string& argument) {
  return std::find(std::begin(arguments), std::end(arguments), argument) != std::end(arguments);
}

int systemLogLevel(int level) {
  if (level <= 2) return platform::log::Error;
  if (level <= 5) return platform::log::Warning;
  if (level == 6) return platform::log::Notice;
  return platform::log::Debug;
}

std::mutex& sharedMutex() {
  static std::mutex mutex;
  return mutex;
}

std::shared_ptr<Monitor>& sharedSlot() {
  static std::shared_ptr<Monitor> monitor;
  return monitor;
}

}  // namespace

Monitor::Monitor(std::int64_t libraryVersion) : Monitor(libraryVersion, currentLaunchArguments()) {}

Monitor::Monitor(std::int64_t libraryVersion, const std::vector<std::string>& launchArguments)
    : libraryVersion_(libraryVersion) {
  // Later arguments override earlier ones, so a script can append a switch to a fixed command line.
  for (const std::string& argument : launchArguments) {
    if (names(kDebugEnabledArguments, argument)) debug_ = true;
    if (names(kDebugDisabledArguments, argument)) debug_ = false;
    if (names(kVerboseEnabledArguments, argument)) verbose_ = true;
    if (names(kVerboseDisabledArguments, argument)) verbose_ = false;
  }
  // The switches are the person asking to see these lines: they go where the person looks.
  if (debug_ || verbose_) platform::log::showDebugLinesOf(kFacility);
}

std::shared_ptr<Monitor> Monitor::shared() {
  std::lock_guard lock(sharedMutex());
  auto& slot = sharedSlot();
  if (!slot) slot = std::make_shared<Monitor>(0);
  return slot;
}

void Monitor::setShared(std::shared_ptr<Monitor> monitor) {
  std::lock_guard lock(sharedMutex());
  sharedSlot() = std::move(monitor);
}

// Each form asks first whether the line goes anywhere: a debug line outside debug mode builds no
// list of its contexts.
void Monitor::logWithLevel(LogLevel level, std::int64_t messageCode, std::string_view message) {
  if (wanted(static_cast<int>(level))) logWithLevelContexts(level, messageCode, message, {});
}

void Monitor::logWithLevel(LogLevel level, std::int64_t messageCode, std::string_view message, const Value& context) {
  if (wanted(static_cast<int>(level))) logWithLevelContexts(level, messageCode, message, {context});
}

void Monitor::logWithLevel(LogLevel level, std::int64_t messageCode, std::string_view message, const Value& context1,
                              const Value& context2) {
  if (wanted(static_cast<int>(level))) logWithLevelContexts(level, messageCode, message, {context1, context2});
}

void Monitor::logWithLevel(LogLevel level, std::int64_t messageCode, std::string_view message, const Value& context1,
                              const Value& context2, const Value& context3) {
  if (wanted(static_cast<int>(level))) logWithLevelContexts(level, messageCode, message, {context1, context2, context3});
}

bool Monitor::wanted(int level) const {
  level = std::clamp(level, 0, kLevelCount - 1);
  return consoleShows(level) || isMonitorableLevel(level);
}

void Monitor::logWithLevelContexts(LogLevel logLevel, std::int64_t messageCode, std::string_view message,
                                   const std::vector<Value>& contexts) {
  const int level = std::clamp(static_cast<int>(logLevel), 0, kLevelCount - 1);
  bool shown = consoleShows(level);
  if (!shown && !isMonitorableLevel(level)) return;
  std::string text = composedMessage(message, contexts);
  if (shown) {
    platform::log::write(systemLogLevel(level), kFacility, logTag() + "[" + formattedCode(messageCode) + "] " + text);
  }
  if (isMonitorableLevel(level)) record(level, messageCode, text);
}

bool Monitor::consoleShows(int level) const {
  if (isSilentLevel(level)) return false;
  if (level == 7) return debug_ || verbose_;
  if (level == 8) return verbose_;
  return true;
}

std::string Monitor::formattedCode(std::int64_t messageCode) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "A%06lld", static_cast<long long>(messageCode));
  return buffer;
}

std::string Monitor::composedMessage(std::string_view message, const std::vector<Value>& contexts) {
  std::string text(message);
  for (std::size_t i = 0; i < contexts.size(); ++i) {
    text += i == 0 ? ": " : ", ";
    text += contexts[i].description();
  }
  return text;
}

void Monitor::setEncodeContexts(bool encode) {
  std::lock_guard lock(mutex_);
  encodeContexts_ = encode;
}

void Monitor::setLogTag(const std::string& tag) {
  std::lock_guard lock(mutex_);
  logTag_ = tag;
}

std::string Monitor::logTag() const {
  std::lock_guard lock(mutex_);
  return logTag_;
}

void Monitor::record(int level, std::int64_t messageCode, const std::string& text) {
  std::lock_guard lock(mutex_);
  auto key = std::make_pair(level, messageCode);
  if (auto found = entries_.find(key); found != entries_.end()) {
    ++found->second.count;
    return;
  }
  Entry entry{1, {}};
  if (encodeContexts_) entry.context = percentEncoded(platform::foundation::Utf8::substring(text, 0, kMaxContextCodePoints));
  std::size_t size = 0;
  for (const auto& [_, existing] : entries_) size += kEntryOverhead + existing.context.size();
  if (entries_.size() >= kMaxMonitoringEntries || size + kEntryOverhead + entry.context.size() > kMaxMonitoringDataBytes) {
    ++dropped_;
    return;
  }
  entries_.emplace(key, std::move(entry));
}

// GCC 12 reports an overlapping copy inside libstdc++'s own string code here, which it cannot make.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
std::string Monitor::encodedLocked() const {
  std::string out;
  for (const auto& [key, entry] : entries_) {
    if (!out.empty()) out += ';';
    out += std::to_string(key.first) + ':' + std::to_string(key.second) + ':' + std::to_string(entry.count);
    if (!entry.context.empty()) out += ':' + entry.context;
  }
  if (dropped_ > 0) out += (out.empty() ? "" : ";") + std::string("dropped:") + std::to_string(dropped_);
  return out;
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

std::string Monitor::monitoringDataForDispatchWithSamplePeriod(double samplePeriod, double lastSampledTimestamp) {
  double now = platform::foundation::Clock::current()->now();
  // A sample time in the future (a clock set back) must not hold the data back for ever.
  bool due = !(std::fabs(now - lastSampledTimestamp) < samplePeriod);
  std::lock_guard lock(mutex_);
  if (!due || (entries_.empty() && dropped_ == 0)) return {};
  std::string data = encodedLocked();
  entries_.clear();
  dropped_ = 0;
  return data;
}

void Monitor::clearMonitoringData() {
  std::lock_guard lock(mutex_);
  entries_.clear();
  dropped_ = 0;
}

}  // namespace sdk::analytics

