#include "sdk/analytics/engine/EventSampler.h"

#include <map>
#include <mutex>
#include <random>
#include <string>

#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/MeasurementFieldIndices.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoConversions.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"

namespace sdk::analytics {

using platform::foundation::Value;
using namespace sdk::analytics::measurement_fields;

namespace {

std::shared_ptr<ProtoEventParam> parameterNamed(const ProtoEvent& event, const std::string& name) {
  for (auto& parameter : nanoGetMessageArray<ProtoEventParam>(event, kEventParams)) {
    if (nanoGetString(*parameter, kParamName) == name) return parameter;
  }
  return nullptr;
}

// The event keeps a parameter it already has: a rate the app set itself is not overwritten.
void addIntegerParameter(ProtoEvent& event, const std::string& name, std::int64_t value, std::int64_t failureCode,
                         const char* failureText) {
  if (parameterNamed(event, name)) {
    monitor()->logWithLevel(LogLevel::kMonitoredWarning, messages::kEventParameterAlreadyExists,
                           "Event parameter already exists. Parameter name", Value(name));
    return;
  }
  auto parameter = makeProtoEventParam(name, AnalyticsValue(value));
  if (!parameter) {
    monitor()->logWithLevel(LogLevel::kSilentError, failureCode, failureText);
    return;
  }
  nanoAddMessage(event, kEventParams, *parameter);
}

std::int64_t dayOf(std::int64_t milliseconds, std::int64_t offsetMinutes) {
  std::int64_t seconds = milliseconds / 1000;
  return (seconds + 60 * offsetMinutes) / 86400;
}

}  // namespace

EventSampler::EventSampler(std::shared_ptr<MeasurementDatabase> database, std::shared_ptr<RemoteConfig> settings,
                           RandomSource random)
    : database_(std::move(database)), settings_(std::move(settings)), random_(std::move(random)) {
  if (!random_) random_ = systemRandomSource();
}

EventSampler::RandomSource EventSampler::systemRandomSource() {
  struct Generator {
    std::mutex mutex;
    std::mt19937_64 engine{std::random_device{}()};
  };
  auto generator = std::make_shared<Generator>();
  return [generator](std::int32_t bound) {
    std::lock_guard lock(generator->mutex);
    return std::uniform_int_distribution<std::int32_t>(0, bound - 1)(generator->engine);
  };
}

bool EventSampler::isEventBundledAfterRoll(std::int32_t rate) { return rate <= 1 || random_(rate) == 0; }

bool EventSampler::canEventBeSampled(const ProtoEvent& event) {
  if (!settings_->isEventSamplingEnabled()) return false;
  std::string name = nanoGetString(event, kEventName).value_or("");
  if (!settings_->eventHasSamplingRate(name)) return false;
  if (settings_->samplingRateForEvent(name) <= 1) {
    monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kSamplingRateInvalid, "Invalid sampling rate provided",
                           Value(name));
    return false;
  }
  return true;
}

platform::foundation::ErrorOr<EventSampler::Events> EventSampler::sampleEvents(const Events& events) {
  auto fail = [&](const Error& failure, std::int64_t code, const std::string& text, std::optional<std::string> name) {
    Value description(failure.localizedDescription());
    if (name) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, code, text, Value(*name), description);
    } else {
      monitor()->logWithLevel(LogLevel::kMonitoredError, code, text, description);
    }
    return failure;
  };
  auto rows = database_->allEventAggregates();
  if (!rows)
    return fail(rows.error(), messages::kAggregatesCacheQueryFailed,
                "Unable to query all event aggregates for cache. error", std::nullopt);
  std::map<std::string, EventAggregates> cache;
  for (auto& row : *rows) cache.emplace(row.name, std::move(row));
  std::map<std::string, bool> touched;

  const std::int64_t offsetMinutes = settings_->analyticsAccountTimeZoneOffsetMinutes();
  Events kept;
  for (const auto& original : events) {
    if (!original) continue;
    auto name = nanoGetString(*original, kEventName);
    if (!name || name->empty()) {
      monitor()->logWithLevel(LogLevel::kSilentError, messages::kUnnamedEventDroppedAtSampling,
                             "Dropping event at sampling. Event has no name");
      continue;
    }
    auto event = ProtoEvent::copyOf(*original);
    const std::int64_t milliseconds = nanoGetInt64(*event, kEventTimestamp);
    const double timestamp = static_cast<double>(milliseconds / 1000);
    const std::int64_t day = dayOf(milliseconds, offsetMinutes);
    auto [found, _] = cache.try_emplace(*name, *name, 0, 0, 0, 0.0);
    EventAggregates& row = found->second;
    touched[*name] = true;

    if (!canEventBeSampled(*event)) {
      row.lastBundledTimestamp = timestamp;
      row.lastBundledDay = day;
      kept.push_back(std::move(event));
      continue;
    }
    const std::int32_t rate = settings_->samplingRateForEvent(*name);
    if (isEventBundledAfterRoll(rate)) {
      row.lastSamplingRate = rate;
      row.lastSampledComplexEventID = 0;
      row.lastBundledTimestamp = timestamp;
      row.lastBundledDay = day;
      addIntegerParameter(*event, "_sr", rate, messages::kSamplingRateParameterFailed,
                          "Failed to create sampling rate parameter");
      kept.push_back(std::move(event));
      continue;
    }
    std::int64_t lastDay = row.lastBundledDay != 0
                               ? row.lastBundledDay
                               : dayOf(nanoGetInt64(*event, kEventPreviousTimestamp), offsetMinutes);
    if (lastDay != day) {
      row.lastBundledTimestamp = timestamp;
      row.lastBundledDay = day;
      row.lastExemptFromSampling = true;
      row.lastSamplingRate = rate;
      addIntegerParameter(*event, "_sr", rate, messages::kSamplingRateParameterFailed,
                          "Failed to create sampling rate parameter");
      addIntegerParameter(*event, "_efs", 1, messages::kExemptFromSamplingParameterFailed,
                          "Failed to create exempt from sampling parameter");
      kept.push_back(std::move(event));
      continue;
    }
    if (auto eventID = parameterNamed(*event, "_eid")) {
      row.lastSampledComplexEventID = nanoGetInt64(*eventID, kParamInteger);
    }
    row.lastSamplingRate = rate;
  }

  for (const auto& [name, _] : touched) {
    const EventAggregates& cached = cache.at(name);
    auto stored = database_->eventAggregatesWithName(name);
    if (!stored) {
      return fail(stored.error(), messages::kSamplingAggregatesQueryFailed,
                  "Unable to query event aggregates to update database. Name, error", name);
    }
    EventAggregates row = stored->value_or(cached);
    if (cached.lastBundledTimestamp != 0) row.lastBundledTimestamp = cached.lastBundledTimestamp;
    row.lastSamplingRate = cached.lastSamplingRate;
    row.lastSampledComplexEventID = cached.lastSampledComplexEventID;
    row.lastExemptFromSampling = cached.lastExemptFromSampling;
    row.lastBundledDay = cached.lastBundledDay;
    if (auto updated = database_->updateEventAggregates(row); !updated) {
      return fail(updated.error(), messages::kSamplingAggregatesUpdateFailed,
                  "Failed to update event aggregates after removing removing events due to sampling. Error",
                  std::nullopt);
    }
  }
  return kept;
}

}  // namespace sdk::analytics

