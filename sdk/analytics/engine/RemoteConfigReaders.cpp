#include <charconv>
#include <cmath>

#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/foundation/DecimalNumber.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NumericUtil.h"

namespace sdk::analytics {

namespace {

bool fitsInt64(double value) { return value >= -NumericUtil::kInt64Bound && value < NumericUtil::kInt64Bound; }

}  // namespace

std::optional<double> RemoteConfig::numberFromString(const Value& value) {
  const std::string* text = value.string();
  if (!text) {
    Monitor::shared()->logWithLevel(LogLevel::kSilentError, messages::kNumberFromNonString,
                                    "Cannot parse number from non-string", value);
    return std::nullopt;
  }
  // Plain decimal texts only, read without a locale: "1,5" or "1e3" are not settings anyone sends.
  if (!isDecimalNumberString(*text)) return std::nullopt;
  const char* first = text->data();
  const char* last = first + text->size();
  if (*first == '+') ++first;
  double number = 0;
  auto [end, failure] = std::from_chars(first, last, number);
  if (failure != std::errc() || end != last || !std::isfinite(number)) return std::nullopt;
  return number;
}

std::optional<std::string> RemoteConfig::cacheValue(const std::string& value, const std::string& key) {
  if (key.empty() || value.empty()) {
    Monitor::shared()->logWithLevel(LogLevel::kSilentWarning, messages::kEmptyConfigValueNotCached,
                                    "Cannot cache empty configuration value", Value(key));
    return std::nullopt;
  }
  return value;
}

std::optional<std::string> RemoteConfig::configuredText(const std::string& key) const {
  std::shared_lock lock(cacheMutex_);
  auto found = cachedValueByRemoteConfigKeys_.find(key);
  return found == cachedValueByRemoteConfigKeys_.end() ? std::nullopt : found->second.text;
}

std::optional<double> RemoteConfig::numberFromCacheWithKey(const std::string& key, double defaultValue,
                                                              std::optional<double> maxValue,
                                                              std::optional<double> minValue,
                                                              const Transform& block) {
  if (key.empty()) {
    Monitor::shared()->logWithLevel(LogLevel::kDebug, messages::kSettingKeyEmpty,
                                    "Cannot get setting with empty key from cache");
    return std::nullopt;
  }
  std::optional<std::string> text;
  std::optional<std::optional<double>> parsed;
  {
    std::shared_lock lock(cacheMutex_);
    auto found = cachedValueByRemoteConfigKeys_.find(key);
    if (found != cachedValueByRemoteConfigKeys_.end()) {
      parsed = found->second.parsed;
      text = found->second.text;
    }
  }
  // A text is parsed once per configuration; an absent key leaves nothing behind.
  if (text && !parsed) {
    parsed = numberFromString(Value(*text));
    std::unique_lock lock(cacheMutex_);
    // A configuration stored meanwhile keeps its own text unparsed.
    auto found = cachedValueByRemoteConfigKeys_.find(key);
    if (found != cachedValueByRemoteConfigKeys_.end() && found->second.text == text) found->second.parsed = parsed;
  }
  std::optional<double> number = parsed ? *parsed : std::nullopt;
  if (number && block) number = block(*number);
  // Out of range falls back to the default rather than to the bound: a server that sends nonsense
  // gets the behaviour the library was built with.
  if (!number || (minValue && *number < *minValue) || (maxValue && *number > *maxValue)) number = defaultValue;
  return number;
}

std::int32_t RemoteConfig::intValueFromCacheWithKey(const std::string& key, std::int32_t defaultValue,
                                                       std::int32_t maxValue, std::int32_t minValue) {
  // The bounds are tested on the double, so the conversion below always fits.
  return static_cast<std::int32_t>(numberFromCacheWithKey(key, defaultValue, maxValue, minValue).value_or(defaultValue));
}

std::int64_t RemoteConfig::int64ValueFromCacheWithKey(const std::string& key, std::int64_t defaultValue,
                                                         std::int64_t maxValue, std::int64_t minValue) {
  const auto number = numberFromCacheWithKey(key, static_cast<double>(defaultValue), static_cast<double>(maxValue),
                                             static_cast<double>(minValue));
  return number && fitsInt64(*number) ? static_cast<std::int64_t>(*number) : defaultValue;
}

std::int64_t RemoteConfig::int64ValueFromCacheWithKey(const std::string& key, std::int64_t defaultValue) {
  const auto number = numberFromCacheWithKey(key, static_cast<double>(defaultValue),
                                             std::nextafter(NumericUtil::kInt64Bound, 0.0), -NumericUtil::kInt64Bound);
  return number && fitsInt64(*number) ? static_cast<std::int64_t>(*number) : defaultValue;
}

double RemoteConfig::timeIntervalInSecondsFromCacheWithKey(const std::string& key, double defaultValue,
                                                              double maxValue, double minValue) {
  const Transform milliseconds = [](double configured) -> std::optional<double> {
    if (!fitsInt64(configured)) return std::nullopt;
    return static_cast<double>(static_cast<std::int64_t>(configured)) / 1000.0;
  };
  return numberFromCacheWithKey(key, defaultValue, maxValue, minValue, milliseconds).value_or(defaultValue);
}

}  // namespace sdk::analytics

