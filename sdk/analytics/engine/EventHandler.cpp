#include "sdk/analytics/engine/EventHandler.h"

#include <algorithm>
#include <optional>

#include "platform/foundation/Clock.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/EventPipelineHost.h"
#include "sdk/analytics/engine/UploadScheduling.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/EditingOutputScope.h"
#include "sdk/analytics/foundation/ErrorEvent.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NameChecks.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/rules/ConditionalUserPropertyController.h"
#include "sdk/analytics/rules/EditingOutcome.h"
#include "sdk/analytics/rules/EventEditing.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"
#include "sdk/analytics/foundation/WorkerQueueCheck.h"

namespace sdk::analytics {

using platform::foundation::Error;
using platform::foundation::Value;

namespace {

constexpr std::int64_t kErrorCodeEventIsBlocked = 11;
constexpr std::size_t kEventNameLimit = 40;

Value displayName(const AnalyticsEvent& event) { return Value(eventNameForDisplay(event.name())); }

const AnalyticsValue* parameter(const AnalyticsEvent& event, const char* name) {
  auto found = event.parameters().find(name);
  return found == event.parameters().end() ? nullptr : &found->second;
}

}  // namespace

EventHandler::EventHandler(const EventPipelineHost& host, std::shared_ptr<MeasurementDatabase> database,
                           std::shared_ptr<ConditionalUserPropertyController> conditionalUserProperties,
                           std::shared_ptr<UploadScheduling> uploads)
    : host_(host),
      database_(database),
      conditionalUserProperties_(std::move(conditionalUserProperties)),
      uploads_(std::move(uploads)),
      writer_(host, std::move(database)) {}

std::optional<std::string> EventHandler::storedFeatureRollouts() const {
  auto persisted = host_.persistedConfig();
  if (!persisted) return std::nullopt;
  Value stored = persisted->featureRollouts();
  if (!stored.isString() || stored.string()->empty()) return std::nullopt;
  return *stored.string();
}

void EventHandler::handleInternalEventOnWorkerQueue(AnalyticsEvent event) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "handleInternalEventOnWorkerQueue:");
  if (isNotErrorEventName(event.name())) {
    auto persisted = host_.persistedConfig();
    if (auto defaults = persisted ? persisted->defaultEventParameters() : std::nullopt) event.applyParameters(*defaults);
  }
  handleEventOnWorkerQueue(event);
  host_.notifyEventListeners(event);
}

void EventHandler::handleEventOnWorkerQueue(const AnalyticsEvent& logged, bool editable) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "handleEventOnWorkerQueue:");
  if (!host_.isEnabled()) {
    monitor()->logWithLevel(LogLevel::kDebug, messages::kEventNotLoggedWhileDisabled,
                           "Analytics is disabled. Event not logged");
    return;
  }
  auto event = eventAfterSafelistingEvent(logged);
  if (!event) return;
  processSessionFromEvent(*event);
  if (!dedupeSubscriptionEvent(*event)) return;

  std::optional<std::vector<AnalyticsEvent>> triggered;
  if (conditionalUserProperties_) triggered = conditionalUserProperties_->processEventOnWorkerQueue(*event);
  if (!triggered) {
    monitor()->logWithLevel(LogLevel::kMonitoredWarning, messages::kConditionalUserPropertyProcessingFailed,
                           "Unable to process conditional user property. Event name, origin", displayName(*event),
                           Value(event->origin()));
  }
  if (shouldDropDuplicatedSessionStartWithRolloutEvent(*event)) return;

  writeEventOnWorkerQueue(appExceptionEventWithFeatureRollouts(*event), editable);
  writeSessionStartEventOnWorkerQueue(*event);
  if (triggered) {
    for (const auto& follower : *triggered) writeEventOnWorkerQueue(follower);
  }
  if (uploads_) uploads_->updateSchedule();
}

std::optional<AnalyticsEvent> EventHandler::eventAfterSafelistingEvent(const AnalyticsEvent& event) const {
  auto safelist = host_.safelistedEvents();
  if (safelist.empty()) return event;
  if (std::find(safelist.begin(), safelist.end(), event.name()) == safelist.end()) {
    monitor()->logWithLevel(LogLevel::kWarning, messages::kEventNotAllowlisted,
                           "Event dropped. Reason: not in allowlist. Event name, origin", displayName(event),
                           Value(event.origin()));
    return std::nullopt;
  }
  Parameters parameters = event.parameters();
  parameters.insert_or_assign("ga_safelisted", AnalyticsValue(std::int64_t{1}));
  return event.copyWithParameters(std::move(parameters));
}

void EventHandler::processSessionFromEvent(const AnalyticsEvent& event) {
  if (host_.isAppActive()) return;
  if (const AnalyticsValue* extend = parameter(event, "extend_session")) {
    if (extend->isInt64() && extend->int64Value() == 1) {
      if (host_.isSessionExpired()) {
        host_.reportSessionStartOnWorkerQueue(event.timestamp(), true);
      } else {
        host_.extendSession();
      }
    } else {
      monitor()->logWithLevel(LogLevel::kWarning, messages::kExtendSessionParameterReserved,
                             "extend_session is a reserved parameter. To extend or start a session in the background, "
                             "set an event parameter {@'extend_session': @1}");
    }
  }
  if (!host_.isSessionExpired()) return;
  struct Removal {
    const char* name;
    std::int64_t code;
    const char* message;
  };
  static constexpr Removal kRemovals[] = {
      {"_sid", messages::kSessionIDRemovalFailed,
       "Failed to remove session ID user property on session expiration. Error"},
      {"_sno", messages::kSessionNumberRemovalFailed,
       "Failed to remove session number user property on session expiration. Error"},
      {"_se", messages::kSessionEngagementRemovalFailed,
       "Failed to remove session user engagement user property on session expiration. Error"},
  };
  (void)database_->performTransaction([&] {
    for (const auto& removal : kRemovals) {
      if (auto result = database_->deleteUserAttributeWithName(removal.name); !result) {
        monitor()->logWithLevel(LogLevel::kSilentError, removal.code, removal.message, errorText(result.error()));
        return false;
      }
    }
    return true;
  });
}

bool EventHandler::dedupeSubscriptionEvent(const AnalyticsEvent& event) {
  if (!isSubscriptionEvent(event)) return true;
  const AnalyticsValue* dedupeID = parameter(event, "_did");
  if (!dedupeID || !dedupeID->isInt64()) return true;
  const AnalyticsValue* product = parameter(event, "product_id");
  Value productID = product ? product->objectValue() : Value();
  auto isNew = database_->insertIfNotDuplicateSubscriptionID(std::to_string(dedupeID->int64Value()));
  if (!isNew.ok()) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kSubscriptionIDSaveFailed,
                           "Failed to save subscription ID. Product ID, error", productID, errorText(isNew.error()));
    return true;
  }
  if (!*isNew) {
    monitor()->logWithLevel(LogLevel::kMonitoredWarning, messages::kDuplicateSubscriptionDropped,
                           "Event dropped. Reason: Subscription purchase is a duplicate. Product ID", productID);
    return false;
  }
  auto deleted = database_->deleteSubscriptionsOverLimit();
  if (!deleted) {
    monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kOldSubscriptionRecordsDeletionFailed,
                           "Failed to delete older subscription records. Error", errorText(deleted.error()));
    return false;
  }
  if (*deleted > 0)
    monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kOldSubscriptionRecordsDeleted,
                           "Deleted older subscription records beyond limit", Value(*deleted));
  return true;
}

bool EventHandler::shouldDropDuplicatedSessionStartWithRolloutEvent(const AnalyticsEvent& event) {
  if (event.name() != "_ssr") return false;
  const AnalyticsValue* rollouts = parameter(event, "_ffr");
  auto stored = storedFeatureRollouts();
  bool duplicate = stored ? (rollouts && rollouts->isString() && rollouts->stringValue() == *stored)
                          : (!rollouts || (rollouts->isString() && rollouts->stringValue().empty()));
  if (duplicate) {
    monitor()->logWithLevel(LogLevel::kVerbose, messages::kDuplicateFeatureRolloutsDropped,
                           "Feature rollouts value is a duplicate, dropping event");
    return true;
  }
  if (rollouts && !rollouts->isString()) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kFeatureRolloutsNotString,
                           "Unable to process vurevore feature rollouts, value is not a string.");
  }
  if (auto persisted = host_.persistedConfig()) {
    bool replace = rollouts && rollouts->isString() && !rollouts->stringValue().empty();
    persisted->setFeatureRollouts(replace ? Value(rollouts->stringValue()) : Value());
  }
  return false;
}

AnalyticsEvent EventHandler::appExceptionEventWithFeatureRollouts(const AnalyticsEvent& event) const {
  if (event.name() != "_ae") return event;
  auto stored = storedFeatureRollouts();
  if (!stored) return event;
  Parameters parameters = event.parameters();
  parameters.insert_or_assign("_ffr", AnalyticsValue(*stored));
  return event.copyWithParameters(std::move(parameters));
}

void EventHandler::writeSessionStartEventOnWorkerQueue(const AnalyticsEvent& event) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "writeSessionStartEventOnWorkerQueue:");
  if (event.name() != "_s") return;
  auto stored = storedFeatureRollouts();
  if (!stored) return;
  double now = platform::foundation::Clock::current()->now();
  if (auto rollout = AnalyticsEvent::create("auto", false, "_ssr", now, 0, {{"_ffr", AnalyticsValue(*stored)}})) {
    writeEventOnWorkerQueue(*rollout);
  }
}

void EventHandler::writeEventOnWorkerQueue(const AnalyticsEvent& event, bool editable) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "writeEventOnWorkerQueue:");
  monitor()->logWithLevel(LogLevel::kDebug, messages::kLoggingEvent, "Logging event: origin, name, params",
                         Value(event.origin()), displayName(event),
                         Value(dictionaryDescriptionForDisplay(event.parameters())));
  if (host_.isEventBlocklisted(event.name())) {
    monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kEventRejected, "Rejected event. Event name",
                           displayName(event));
    if (!host_.blocklistInternal() && !host_.blocklistPublic() && !isErrorEvent(event.name())) {
      logErrorEventWithValue(kErrorCodeEventIsBlocked, event.name(), kEventNameLimit, std::nullopt);
    }
    return;
  }
  if (!editable) {
    writer_.writeFilteredEventOnWorkerQueue(event);
    return;
  }
  // Held for the call: a new configuration may replace the program meanwhile.
  auto editing = host_.eventEditing();
  auto outcome = applyEventEditing(editing.get(), event, host_);
  {
    std::optional<EditingOutputScope> output;
    if (outcome.edited) output.emplace();
    writer_.writeFilteredEventOnWorkerQueue(outcome.event);
  }
  // Told once the event as logged is safely written.
  logEditingFailure(outcome, host_);
  EditingOutputScope output;
  for (auto& created : outcome.createdEvents) writer_.writeFilteredEventOnWorkerQueue(std::move(created));
}

}  // namespace sdk::analytics

