#include "sdk/analytics/engine/RawEventBundler.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "sdk/analytics/engine/ConsentSettings.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/UserPropertyWriter.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/EnvironmentInfo.h"
#include "sdk/analytics/foundation/MeasurementFieldIndices.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NameTables.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/NumericUtil.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/ProtoConversions.h"
#include "sdk/analytics/rules/Audiences.h"
#include "sdk/analytics/rules/AudienceTimestampsCache.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"
#include "sdk/analytics/foundation/WorkerQueueCheck.h"

namespace sdk::analytics {

using platform::foundation::Error;
using platform::foundation::Value;
using namespace sdk::analytics::measurement_fields;

namespace {

std::optional<std::int64_t> integerParameter(const AnalyticsEvent& event, const char* name) {
  auto found = event.parameters().find(name);
  if (found == event.parameters().end() || !found->second.isInt64()) return std::nullopt;
  return found->second.int64Value();
}

bool hasParameter(const AnalyticsEvent& event, const char* name) { return event.parameters().contains(name); }

Value parametersObject(const AnalyticsEvent& event) {
  platform::foundation::Dictionary parameters;
  for (const auto& [name, value] : event.parameters()) parameters[name] = value.objectValue();
  return Value(std::move(parameters));
}

}  // namespace

RawEventBundler::RawEventBundler(Parts parts, EventSampler::RandomSource random)
    : parts_(std::move(parts)), sampler_(parts_.database, parts_.settings, std::move(random)) {}

std::int64_t RawEventBundler::currentDayNumber() const {
  double offset = parts_.persistedConfig ? parts_.persistedConfig->midnightOffset() : 0;
  return static_cast<std::int64_t>(std::floor((now() - offset) / 86400.0));
}

bool RawEventBundler::bundleRawEvents() {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "bundleRawEvents");
  Outcome outcome = Outcome::kRollBack;
  // Rolled back and committed alike, the call answers what the transaction did.
  (void)parts_.database->performTransaction([&] {
    outcome = bundleOneGroup();
    return outcome != Outcome::kRollBack;
  });
  return outcome == Outcome::kCommitBundled;
}

RawEventBundler::Outcome RawEventBundler::bundleOneGroup() {
  std::optional<std::int64_t> fingerprint;
  std::optional<std::vector<RawEventData>> group;
  // Rows that no longer decode are deleted as the group is read. A group made only of such rows comes
  // back empty; those rows are consumed, so the next fingerprint is tried at once instead of leaving
  // the oldest group to block every later bundle.
  for (;;) {
    auto next = parts_.database->nextMetadataFingerprintToProcess();
    if (!next) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kNextEventMetadataFetchFailed,
                             "Unable to fetch next event metadata. Error", errorText(next.error()));
      return Outcome::kRollBack;
    }
    fingerprint = *next;
    if (!fingerprint) return Outcome::kCommitNoBundle;
    group = rawEventsWithMetadataFingerprint(*fingerprint);
    if (!group) return Outcome::kRollBack;
    if (!group->empty()) break;
    auto remaining = parts_.database->containsRawEventWithMetadataFingerprint(*fingerprint);
    if (!remaining.ok()) return Outcome::kRollBack;
    if (*remaining) return Outcome::kCommitNoBundle;
    if (!parts_.database->deleteRawEventMetadataWithMetadataFingerprint(*fingerprint)) return Outcome::kRollBack;
  }

  auto metadata = parts_.database->queryRawEventsMetadataWithFingerprint(*fingerprint);
  if (!metadata) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kEventMetadataFetchFailed,
                           "Unable to fetch event metadata. Metadata fingerprint, error", Value(*fingerprint),
                           errorText(metadata.error()));
    return Outcome::kRollBack;
  }
  std::shared_ptr<ProtoMeasurementBundle> bundle = std::move(metadata).value();
  if (!bundle) {
    // Events whose metadata row is gone can never make a bundle; kept, they would stay the oldest
    // group and block every later one.
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kEventMetadataFetchFailed,
                           "Unable to fetch event metadata. Metadata fingerprint, error", Value(*fingerprint),
                           Value("Data loss. No metadata: deleting the group's raw events"));
    return deleteGroup(*group, *fingerprint) ? Outcome::kCommitNoBundle : Outcome::kRollBack;
  }
  auto events = processRawEvents(*group, *fingerprint);
  if (!events) return Outcome::kRollBack;
  if (events->empty()) return Outcome::kCommitNoBundle;

  evaluationTimeFromRawEvents(*group, *bundle);
  AudienceTimestampsCache cache(Monitor::shared());
  events = eventsAfterUpdatingEventAggregates(*events, &cache);
  if (!events) return Outcome::kRollBack;

  EventSampler::Events protoEvents;
  for (const auto& event : *events) protoEvents.push_back(event.protoEvent());
  if (parts_.settings->isEventSamplingEnabled() && !monitor()->isDebugModeEnabled()) {
    auto sampled = sampler_.sampleEvents(protoEvents);
    if (!sampled) return Outcome::kRollBack;
    protoEvents = std::move(*sampled);
  }
  if (protoEvents.empty()) {
    monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kNoEventsLeftAfterSampling,
                           "No events left after sampling. Dropping bundle");
    return deleteGroup(*group, *fingerprint) ? Outcome::kCommitBundled : Outcome::kRollBack;
  }
  nanoAdoptMessageArray(*bundle, kBundleEvents, std::move(protoEvents));

  double start = group->front().rawEvent.timestamp();
  double end = start;
  for (const auto& raw : *group) {
    start = std::min(start, raw.rawEvent.timestamp());
    end = std::max(end, raw.rawEvent.timestamp());
  }
  if (!updateAppMetadataForBundle(*bundle, start, end)) return Outcome::kRollBack;

  for (const auto& attribute : nanoGetMessageArray<ProtoUserAttribute>(*bundle, kBundleUserAttributes)) {
    if (!parts_.audience->evaluateFiltersForNanoUserProperty(*attribute, &cache, start)) return Outcome::kRollBack;
  }
  std::optional<std::vector<std::shared_ptr<ProtoAudienceLeafFilterResult>>> results;
  if (!parts_.audience->resultsForBundling(&results) || !results) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kAudienceEvaluationResultsReadFailed,
                           "Unable to read audience evaluation results");
    return Outcome::kRollBack;
  }
  if (!results->empty()) nanoSetMessageArray(*bundle, kBundleAudienceResults, *results);

  addBundleMetadataIntoBundle(*bundle, start, end);
  bool isRealtime = std::any_of(events->begin(), events->end(), [](const AnalyticsEvent& e) { return e.isRealtime(); });
  if (auto result = parts_.database->insertBundle(*bundle, isRealtime); !result) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kBundleQueueInsertFailed,
                           "Unable to insert bundle. Error", errorText(result.error()));
    return Outcome::kRollBack;
  }
  if (parts_.settings->isConsentSettingsEnabled()) {
    monitor()->logWithLevel(LogLevel::kVerbose, messages::kBundleQueuedWithConsent, ConsentSettings::description());
  }
  monitor()->logWithLevel(
      LogLevel::kDebug, messages::kBundleQueued, "Bundle added to the upload queue. BundleID, timestamp (ms)",
      Value(std::int64_t{nanoGetInt32(*bundle, kBundleIndex)}), Value(nanoGetInt64(*bundle, kBundleEndTimestamp)));
  return deleteGroup(*group, *fingerprint) ? Outcome::kCommitBundled : Outcome::kRollBack;
}

bool RawEventBundler::deleteGroup(const std::vector<RawEventData>& group, std::int64_t fingerprint) {
  std::int64_t lastRowID = group.back().rowID;
  if (auto result = parts_.database->deleteRawEventsWithMaxRowID(lastRowID); !result) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kRawEventsRemovalFailed,
                           "Unable to delete raw events. RowID, error", Value(lastRowID), errorText(result.error()));
    return false;
  }
  auto remaining = parts_.database->containsRawEventWithMetadataFingerprint(fingerprint);
  if (!remaining.ok()) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kRawEventExistenceQueryFailed,
                           "Unable to query existence of raw event. Metadata, error", Value(fingerprint),
                           errorText(remaining.error()));
    return false;
  }
  if (*remaining) return true;
  if (auto deleted = parts_.database->deleteRawEventMetadataWithMetadataFingerprint(fingerprint); !deleted) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kRawEventMetadataRemovalFailed,
                           "Unable to delete raw event metadata. Metadata, error", Value(fingerprint),
                           errorText(deleted.error()));
    return false;
  }
  return true;
}

std::optional<std::vector<RawEventData>> RawEventBundler::rawEventsWithMetadataFingerprint(std::int64_t fingerprint) {
  const std::int64_t maxEvents = parts_.settings->uploadMaxEventsPerBundle();
  const std::int64_t maxSize = parts_.settings->uploadMaxSizeLimitBytes();
  std::int64_t groupHour = 0;
  std::int64_t previousRowID = 0;
  std::int64_t size = 0;
  auto filter = [&](const MeasurementDatabase::Row& row, const MeasurementDatabase::ErrorOr<RawEventData>& decoded,
                    std::int64_t accepted) {
    const bool first = accepted == 0;
    if (!first && accepted >= maxEvents) return false;
    if (!decoded) {
      monitor()->logWithLevel(LogLevel::kMonitoredWarning, messages::kRawEventFilterFailed,
                             "Failed to filter raw event. Error", errorText(decoded.error()));
      // The store drops the row; the group goes on without it.
      return true;
    }
    std::int64_t rowID = row.at("rowid").toInt64();
    auto hour = static_cast<std::int64_t>(std::floor(row.at("timestamp").toDouble())) / 3600;
    if (first) {
      groupHour = hour;
    } else if (hour != groupHour || rowID != previousRowID + 1) {
      return false;
    }
    auto data = row.find("data");
    std::int64_t length = data == row.end() || !data->second.data() ? 0
                                                                    : static_cast<std::int64_t>(data->second.data()->size());
    // The first row is always taken: an event too large for any bundle on its own still leaves as a
    // bundle of one, instead of staying the oldest and blocking every later one.
    if (!first && size + length >= maxSize) return false;
    size += length;
    previousRowID = rowID;
    return true;
  };
  auto group = parts_.database->rawEventsWithMetadataFingerprint(fingerprint, filter);
  if (!group) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kRawEventExpected,
                           "Inconsistent state, raw event is expected. Error", errorText(group.error()));
    return std::nullopt;
  }
  return std::move(group).value();
}

std::optional<std::vector<AnalyticsEvent>> RawEventBundler::processRawEvents(const std::vector<RawEventData>& group,
                                                                       std::int64_t fingerprint) {
  auto& settings = *parts_.settings;
  std::vector<AnalyticsEvent> kept;
  for (const auto& raw : group) {
    const AnalyticsEvent& event = raw.rawEvent;
    auto exemptName = reservedEventNameExemptions().internalName(event.name());
    if (exemptName && settings.blocklistInternal() && !settings.blocklistPublic()) {
      kept.push_back(event);
      continue;
    }
    if (settings.isEventBlocklisted(event.name()) || (exemptName && settings.isEventBlocklisted(*exemptName))) {
      monitor()->logWithLevel(LogLevel::kMonitoredWarning, messages::kBundledEventRejected, "Rejected event. Event name",
                             Value(event.name()));
      continue;
    }
    if (settings.redundantEngagementRemovalEnabled() && event.name() == "_e" && integerParameter(event, "_fr") == 1) {
      continue;
    }
    kept.push_back(event);
  }
  if (kept.empty()) {
    if (!deleteGroup(group, fingerprint)) return std::nullopt;
    monitor()->logWithLevel(LogLevel::kMonitoredWarning, messages::kAllEventsRejected, "Rejected all events.");
    return std::vector<AnalyticsEvent>{};
  }

  auto counts = parts_.database->dailyCounts();
  if (!counts) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kDailyEventCountsQueryFailed,
                           "Failed to query daily event counts. Error", errorText(counts.error()));
    return std::nullopt;
  }
  bool countsChanged = false;
  std::vector<AnalyticsEvent> processed;
  for (const auto& original : kept) {
    AnalyticsEvent event = internalEventFromPublicEvent(original);
    countsChanged |= checkConversion(event, *counts);
    countsChanged |= checkRealtime(event, *counts);
    if (event.name() == "_iap" && RunningApplication::isASRS()) {
      Parameters parameters = event.parameters();
      parameters.insert_or_assign("sandbox", AnalyticsValue(std::int64_t{1}));
      event = event.copyWithParameters(std::move(parameters));
    }
    processed.push_back(std::move(event));
  }
  if (auto updated = countsChanged ? parts_.database->updateDailyCounts(*counts) : MeasurementDatabase::ErrorOr<void>();
      !updated) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kDailyEventCountsUpdateFailed,
                           "Failed to update daily event counts. Name, error", Value(processed.back().name()),
                           errorText(updated.error()));
    return std::nullopt;
  }
  return processed;
}

AnalyticsEvent RawEventBundler::internalEventFromPublicEvent(const AnalyticsEvent& event) {
  auto internal = publicToInternalEventNames().internalName(event.name());
  if (!internal) return event;
  auto renamed = AnalyticsEvent::create(event.origin(), false, *internal, event.timestamp(), event.previousTimestamp(),
                                  event.parameters());
  return renamed ? *renamed : event;
}

bool RawEventBundler::checkConversion(AnalyticsEvent& event, DailyCounts& counts) {
  if (parts_.settings->isEventCustomConversion(event.name())) event.setConversion(true);
  const bool isPublicName = !event.name().empty() && event.name().front() != '_';
  if (!isPublicName || !event.isConversion()) return false;
  const std::int64_t today = currentDayNumber();
  if (counts.day != today) counts.resetWithNewDay(today);
  const std::int32_t limit = parts_.settings->maxConversionsPerDay();
  if (counts.conversionsCount >= limit) {
    event.setConversion(false);
    monitor()->logWithLevel(LogLevel::kWarning, messages::kTooManyConversionEvents,
                           "Too many conversion events. Not logging event as conversion. Name, limit",
                           Value(event.name()), Value(std::int64_t{limit}));
    return false;
  }
  counts.incrementCountsForCurrentDay(today, false, true);
  counts.decrementAllEventsCount();
  return true;
}

bool RawEventBundler::checkRealtime(AnalyticsEvent& event, DailyCounts& counts) {
  if (!event.isRealtime() && !event.isConversion()) return false;
  const std::string& name = event.name();
  if (monitor()->isDebugModeEnabled() || name == "_iap" || name == "_f" || name == "_fx") {
    event.setRealtime(true);
    monitor()->logWithLevel(LogLevel::kDebug, messages::kRealtimeWithoutDailyLimit,
                           "Event is not subject to real-time event count daily limit. Marking an event as real-time. "
                           "Event name, parameters",
                           Value(name), parametersObject(event));
    return false;
  }
  const std::int64_t today = currentDayNumber();
  if (counts.day != today) counts.resetWithNewDay(today);
  if (counts.realtimeCount < parts_.settings->maxRealtimeEventCountPerDay()) {
    counts.incrementRealtimeCountsForCurrentDay(today);
    event.setRealtime(true);
    monitor()->logWithLevel(LogLevel::kDebug, messages::kRealtimeUnderDailyLimit,
                           "Event is under real-time event count daily limit. Marking the event as real-time. Event "
                           "name, parameters",
                           Value(name), parametersObject(event));
    return true;
  }
  event.setRealtime(false);
  monitor()->logWithLevel(LogLevel::kMonitoredWarning, messages::kRealtimeOverDailyLimit,
                         "Number of real-time events is over the real-time event count daily limit. Event is no "
                         "longer real-time. Event name, parameters",
                         Value(name), parametersObject(event));
  return false;
}

void RawEventBundler::evaluationTimeFromRawEvents(const std::vector<RawEventData>& group,
                                                  ProtoMeasurementBundle& bundle) {
  const bool sessionStart =
      std::any_of(group.begin(), group.end(), [](const RawEventData& raw) { return raw.rawEvent.name() == "_s"; });
  bool sessionStepDone = true;
  if (sessionStart) {
    sessionStepDone = false;
    if (parts_.audience->clearEvaluationResultsForSessionScopedFilters()) {
      bool evaluated = true;
      for (const auto& attribute : nanoGetMessageArray<ProtoUserAttribute>(bundle, kBundleUserAttributes)) {
        if (!parts_.audience->evaluateFiltersForNanoUserProperty(*attribute, nullptr, std::nullopt)) {
          evaluated = false;
          break;
        }
      }
      if (evaluated) {
        if (auto cleared = parts_.database->clearCurrentSessionCounts(); cleared) {
          sessionStepDone = true;
        } else {
          monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kEventSessionCountsClearFailed,
                                 "Failed to clear event session counts. Error", errorText(cleared.error()));
        }
      }
    }
  }
  std::int64_t engagement = 0;
  for (const auto& raw : group) {
    auto time = integerParameter(raw.rawEvent, "_et");
    if (time && !hasParameter(raw.rawEvent, "_fr")) engagement += *time;
  }
  if (!updateUserEngagement(engagement, bundle, false)) return;
  // The session's engagement adds up over every bundle of the session, not only the one that starts it;
  // a session start begins it again from this bundle's share.
  if (sessionStart) {
    if (!sessionStepDone) return;
    if (auto result = parts_.database->deleteUserAttributeWithName("_se"); !result) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kSessionEngagementPropertyDeletionFailed,
                             "Unable to delete session engagement property on session start. Error",
                             errorText(result.error()));
      return;
    }
    auto attributes = nanoGetMessageArray<ProtoUserAttribute>(bundle, kBundleUserAttributes);
    std::erase_if(attributes, [](const auto& a) { return nanoGetString(*a, kAttributeName) == "_se"; });
    nanoSetMessageArray(bundle, kBundleUserAttributes, attributes);
  }
  (void)updateUserEngagement(engagement, bundle, true);
}

bool RawEventBundler::updateUserEngagement(std::int64_t engagement, ProtoMeasurementBundle& bundle,
                                           bool sessionScoped) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "updateUserEngagement");
  if (engagement < 0) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kNegativeUserEngagementTime,
                           "User engagement time is negative.");
    return false;
  }
  if (engagement == 0) return true;
  const std::string name = sessionScoped ? "_se" : "_lte";
  auto lookup = parts_.database->userAttributeWithName(name);
  if (!lookup) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kUserEngagementPropertyQueryFailed,
                           "Failed to query for user engagement user property. Name, error", Value(name),
                           errorText(lookup.error()));
    return false;
  }
  const std::optional<UserAttribute>& stored = *lookup;
  std::int64_t total = engagement;
  if (stored && stored->value.isInt64()) total += stored->value.int64Value();
  UserAttribute attribute("auto", name, AnalyticsValue(total), now());
  UserPropertyWriter::Limits limits;
  limits.maxPublicUserProperties = parts_.settings->maxPublicUserProperties();
  limits.lastAdvertisingIDResetFeatureEnabled = parts_.settings->lastAdvertisingIDResetFeatureEnabled();
  if (!UserPropertyWriter(parts_.database).setUserPropertyInDatabaseOnWorkerQueue(attribute, limits)) return false;

  auto attributes = nanoGetMessageArray<ProtoUserAttribute>(bundle, kBundleUserAttributes);
  auto updated = attribute.protoUserAttribute();
  auto found = std::find_if(attributes.begin(), attributes.end(),
                            [&](const auto& a) { return nanoGetString(*a, kAttributeName) == name; });
  if (found != attributes.end()) {
    *found = updated;
  } else {
    attributes.push_back(updated);
  }
  nanoSetMessageArray(bundle, kBundleUserAttributes, attributes);
  return true;
}

std::optional<std::vector<AnalyticsEvent>> RawEventBundler::eventsAfterUpdatingEventAggregates(
    const std::vector<AnalyticsEvent>& events, AudienceTimestampsCache* cache) {
  std::vector<AnalyticsEvent> updated;
  for (const auto& original : events) {
    auto stored = parts_.database->eventAggregatesWithName(original.name());
    if (!stored) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kEventAggregatesReadFailed,
                             "Failed to query event aggregates. Name, error", Value(original.name()),
                             errorText(stored.error()));
      return std::nullopt;
    }
    std::optional<EventAggregates>& row = *stored;
    AnalyticsEvent event = original;
    if (row) {
      event = original.copyWithPreviousTimestamp(row->lastFireTimestamp);
      row->incrementCurrentBundleCount();
      row->incrementLifetimeCount();
      row->incrementCurrentSessionCount();
      row->lastFireTimestamp = original.timestamp();
    } else {
      row.emplace(original.name(), 1, 1, 1, original.timestamp());
    }
    if (auto result = parts_.database->updateEventAggregates(*row); !result) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kEventAggregatesWriteFailed,
                             "Failed to update event aggregates. Error", errorText(result.error()));
      return std::nullopt;
    }
    if (!parts_.audience->evaluateFiltersForEvent(event, &*row, cache)) return std::nullopt;
    updated.push_back(std::move(event));
  }
  return updated;
}

bool RawEventBundler::updateAppMetadataForBundle(ProtoMeasurementBundle& bundle, double start, double end) {
  auto metadata = parts_.database->queryAppMetadata();
  if (!metadata) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kBundlingAppMetadataFetchFailed,
                           "Unable to fetch app metadata for bundling events. Error", errorText(metadata.error()));
    return false;
  }
  const std::int64_t previousStart = NumericUtil::millisecondsFromSeconds(metadata->lastBundleStartTimestamp);
  const std::int64_t previousEnd = NumericUtil::millisecondsFromSeconds(metadata->lastBundleEndTimestamp);
  if (previousEnd > 0) nanoSetInt64(bundle, kBundlePreviousEndTimestamp, previousEnd);
  if (previousStart > 0) {
    nanoSetInt64(bundle, kBundlePreviousStartTimestamp, previousStart);
  } else if (previousEnd > 0) {
    nanoSetInt64(bundle, kBundlePreviousStartTimestamp, previousEnd);
  }
  metadata->incrementLastBundleIndex();
  metadata->lastBundleStartTimestamp = start;
  metadata->lastBundleEndTimestamp = end;
  nanoSetInt32(bundle, kBundleIndex, static_cast<std::int32_t>(metadata->lastBundleIndex));
  if (auto result = parts_.database->updateAppMetadata(*metadata); !result) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kAppMetadataUpdateAfterBundlingFailed,
                           "Unable to update the app metadata. Error", errorText(result.error()));
    return false;
  }
  return true;
}

void RawEventBundler::addBundleMetadataIntoBundle(ProtoMeasurementBundle& bundle, double start, double end) {
  auto& settings = *parts_.settings;
  auto experimentIDs = settings.experimentIDs();
  if (!experimentIDs.empty()) {
    platform::foundation::Array ids;
    for (std::int64_t id : experimentIDs) ids.emplace_back(id);
    nanoSetArray(bundle, kBundleExperimentIDs, ids);
  }
  if (parts_.persistedConfig) {
    std::string sampled = monitor()->monitoringDataForDispatchWithSamplePeriod(
        settings.monitoringSamplePeriod(), parts_.persistedConfig->lastMonitorDataSampledTimestamp());
    if (!sampled.empty()) {
      nanoSetString(bundle, kBundleMonitoringData, sampled);
      parts_.persistedConfig->setLastMonitorDataSampledTimestamp(now());
    }
  }
  if (std::int64_t version = settings.version(); version >= 0) nanoSetInt64(bundle, kBundleConfigVersion, version);
  if (nanoGetString(bundle, kBundleAppID).value_or("").empty()) {
    std::string appID = parts_.identity ? parts_.identity->appID() : std::string();
    if (appID.empty()) appID = platform::foundation::Bundle::main()->bundleIdentifier();
    nanoSetString(bundle, kBundleAppID, appID);
  }
  nanoSetInt64(bundle, kBundleStartTimestamp, NumericUtil::millisecondsFromSeconds(start));
  nanoSetInt64(bundle, kBundleEndTimestamp, NumericUtil::millisecondsFromSeconds(end));
}

}  // namespace sdk::analytics

