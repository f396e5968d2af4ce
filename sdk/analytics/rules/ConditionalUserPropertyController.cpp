#include "sdk/analytics/rules/ConditionalUserPropertyController.h"

#include <condition_variable>
#include <mutex>

#include "platform/foundation/Clock.h"
#include "sdk/analytics/foundation/DataTypeValidator.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NameChecks.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/rules/MeasurementHost.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"
#include "sdk/analytics/foundation/WorkerQueueCheck.h"

namespace sdk::analytics {

using platform::foundation::Error;
using platform::foundation::Value;

using sdk::analytics::now;
using sdk::analytics::errorText;

namespace {

std::mutex sharedMutex;
std::shared_ptr<const sdk::analytics::MeasurementHost> sharedHost;
// Made over sharedHost on first use; a new host (another engine, on its own worker queue) gets a new one.
std::shared_ptr<ConditionalUserPropertyController> sharedController;

// Within [0.001, 180 days]; NaN fails every comparison and is refused with the rest.
bool isValidDuration(double seconds) {
  return seconds >= ConditionalUserPropertyController::kMinimumDuration &&
         seconds <= ConditionalUserPropertyController::kMaximumDuration;
}

Value displayName(const std::string& name) { return Value(userPropertyNameForDisplay(name)); }
// The event a property carries, logged under the property's origin at `timestamp`.
std::optional<AnalyticsEvent> eventFrom(const std::optional<AnalyticsEvent>& carried, const std::string& origin,
                                  double timestamp) {
  if (!carried) return std::nullopt;
  return AnalyticsEvent::create(origin, false, carried->name(), timestamp, 0, carried->parameters());
}

}  // namespace

ConditionalUserPropertyController::ConditionalUserPropertyController(
    std::shared_ptr<const sdk::analytics::MeasurementHost> host)
    : host_(std::move(host)) {}

std::shared_ptr<ConditionalUserPropertyController> ConditionalUserPropertyController::sharedInstance() {
  std::lock_guard lock(sharedMutex);
  if (!sharedController && sharedHost) sharedController = std::make_shared<ConditionalUserPropertyController>(sharedHost);
  return sharedController;
}

void ConditionalUserPropertyController::setSharedHost(std::shared_ptr<const sdk::analytics::MeasurementHost> host) {
  std::lock_guard lock(sharedMutex);
  sharedHost = std::move(host);
  sharedController.reset();
}

Monitor& ConditionalUserPropertyController::monitor() const { return *host_->monitor(); }

std::shared_ptr<MeasurementDatabase> ConditionalUserPropertyController::database() const { return host_->database(); }

void ConditionalUserPropertyController::schedule(const std::string& blockID,
                                                    std::function<void(ConditionalUserPropertyController&)> work) {
  auto scheduler = host_->scheduler();
  if (!scheduler) return;
  std::weak_ptr<ConditionalUserPropertyController> weak = weak_from_this();
  scheduler->scheduleOnWorkerQueueBlockID(blockID, [weak, work = std::move(work)] {
    if (auto self = weak.lock()) work(*self);
  });
}

bool ConditionalUserPropertyController::isValid(const ConditionalUserProperty& property) const {
  if (!DataTypeValidator::isValidConditionalUserPropertyOrigin(property.origin, nullptr)) return false;
  if (!DataTypeValidator::isValidConditionalUserPropertyName(property.name, nullptr)) return false;
  if (property.value && !DataTypeValidator::isValidConditionalUserPropertyValue(*property.value, nullptr)) {
    return false;
  }
  if (!isValidDuration(property.triggerTimeout)) {
    monitor().logWithLevel(LogLevel::kSilentError, messages::kInvalidTriggerTimeout, "Invalid conditional user property trigger timeout", Value(property.triggerTimeout));
    return false;
  }
  if (!isValidDuration(property.timeToLive)) {
    monitor().logWithLevel(LogLevel::kSilentError, messages::kInvalidTimeToLive, "Invalid conditional user property time to live", Value(property.timeToLive));
    return false;
  }
  return true;
}

void ConditionalUserPropertyController::setConditionalUserProperty(
    const std::optional<ConditionalUserProperty>& property, const std::string& name) {
  if (!property) {
    monitor().logWithLevel(LogLevel::kSilentError, messages::kNilConditionalPropertySet, "Cannot set nil conditional user property");
    return;
  }
  ConditionalUserProperty copy = *property;
  copy.name = name;
  if (!isValid(copy)) return;
  copy.creationTimestamp = now();
  schedule("APMConditionalUserPropertyController:88", [copy](ConditionalUserPropertyController& self) {
    if (copy.value) {
      self.setConditionalUserPropertyOnWorkerQueue(copy);
    } else {
      self.removeConditionalUserPropertyOnWorkerQueue(copy);
    }
  });
}

void ConditionalUserPropertyController::clearConditionalUserPropertyWithClearEvent(
    const std::optional<AnalyticsEvent>& clearEvent, const std::string& name) {
  if (!DataTypeValidator::isValidConditionalUserPropertyName(name, nullptr)) return;
  ConditionalUserProperty request;
  request.name = name;
  request.expiredEvent = clearEvent;
  schedule("APMConditionalUserPropertyController:113", [request](ConditionalUserPropertyController& self) {
    self.removeConditionalUserPropertyOnWorkerQueue(request);
  });
}

std::optional<std::vector<ConditionalUserProperty>>
ConditionalUserPropertyController::conditionalUserPropertiesWithNamePrefix(
    const std::optional<std::string>& namePrefix, const std::optional<std::string>& origin) {
  struct Wait {
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    std::optional<std::vector<ConditionalUserProperty>> result;
    Error error;
  };
  auto wait = std::make_shared<Wait>();
  auto query = [self = shared_from_this(), wait, namePrefix, origin] {
    std::optional<std::vector<ConditionalUserProperty>> result;
    Error error;
    if (!self->host_->isEnabled()) {
      self->monitor().logWithLevel(LogLevel::kWarning, messages::kQueryWhileAnalyticsDisabled, "Cannot query for conditional user properties. Analytics is disabled");
    } else if (auto db = self->database()) {
      auto found = db->conditionalUserPropertiesWithPrefix(namePrefix.value_or(""), origin.value_or(""));
      if (found) {
        result = std::move(found).value();
      } else {
        error = found.error();
      }
    }
    std::lock_guard lock(wait->mutex);
    wait->result = std::move(result);
    wait->error = std::move(error);
    wait->done = true;
    wait->changed.notify_all();
  };
  auto scheduler = host_->scheduler();
  if (!scheduler) return std::nullopt;
  if (scheduler->workerQueue()->isCurrent()) {
    // Waiting here would wait on ourselves: the query runs inline instead.
    query();
  } else {
    scheduler->scheduleOnWorkerQueueBlockID("APMConditionalUserPropertyController:161", query);
    auto clock = platform::foundation::Clock::current();
    auto timer = clock->scheduleAfter(kListTimeout, [wait] {
      std::lock_guard lock(wait->mutex);
      wait->done = true;
      wait->changed.notify_all();
    });
    std::unique_lock lock(wait->mutex);
    wait->changed.wait(lock, [&] { return wait->done; });
    lock.unlock();
    clock->cancel(timer);
  }
  std::lock_guard lock(wait->mutex);
  if (!wait->result && !wait->error.domain.empty()) {
    monitor().logWithLevel(LogLevel::kSilentError, messages::kConditionalPropertiesQueryFailed, "Cannot query for conditional user properties. Name prefix, origin, error",
                           Value(namePrefix.value_or("")), Value(origin.value_or("")),
                           Value(wait->error.localizedDescription()));
  }
  return wait->result;
}

// --- the work on the engine's worker queue: set, remove and the processing of each event ---

void ConditionalUserPropertyController::setConditionalUserPropertyOnWorkerQueue(
    const std::optional<ConditionalUserProperty>& property) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "setConditionalUserPropertyOnWorkerQueue");
  if (!host_->isEnabled()) {
    monitor().logWithLevel(LogLevel::kWarning, messages::kSetWhileAnalyticsDisabled, "Cannot set conditional user property. Analytics is disabled");
    return;
  }
  if (!property) {
    monitor().logWithLevel(LogLevel::kSilentError, messages::kNilConditionalPropertySetOnWorker, "Cannot set nil conditional user property on worker queue");
    return;
  }
  auto db = database();
  if (!db) return;
  ConditionalUserProperty p = *property;
  std::optional<AnalyticsEvent> triggered;
  bool committed = db->performTransaction([&] {
    auto found = db->conditionalUserPropertyWithName(p.name);
    if (!found) {
      monitor().logWithLevel(LogLevel::kMonitoredError, messages::kConditionalPropertyQueryFailed,
                             "Cannot query conditional user property. Name, origin, error", displayName(p.name),
                             Value(p.origin), errorText(found.error()));
      return false;
    }
    const std::optional<ConditionalUserProperty>& stored = *found;
    if (stored && stored->origin != p.origin) {
      monitor().logWithLevel(LogLevel::kSilentWarning, messages::kConditionalPropertyOriginChanged,
                             "Updating a conditional user property with different origin. Name, origin, saved origin",
                             displayName(p.name), Value(p.origin), Value(stored->origin));
    }
    bool storedActive = stored && stored->active;
    bool newlyTriggered = false;
    if (storedActive) {
      p.origin = stored->origin;
      p.creationTimestamp = stored->creationTimestamp;
      p.triggerEventName = stored->triggerEventName;
      p.triggeredEvent = stored->triggeredEvent;
      p.triggerTimeout = stored->triggerTimeout;
    } else if (p.triggerEventName.empty()) {
      p.active = true;
      p.triggeredTimestamp = p.creationTimestamp;
      newlyTriggered = true;
    }
    if (p.active && p.value) {
      if (auto updated = db->updateUserAttribute(UserAttribute(p.origin, p.name, *p.value, p.triggeredTimestamp))) {
        monitor().logWithLevel(LogLevel::kDebug, messages::kActiveUserPropertyUpdated, "User property updated. Name, origin", displayName(p.name), Value(p.origin));
      } else {
        monitor().logWithLevel(LogLevel::kMonitoredError, messages::kActiveUserPropertyUpdateFailed,
                               "Cannot update user property from conditional user property. Name, origin, "
                               "error",
                               displayName(p.name), Value(p.origin), errorText(updated.error()));
      }
      if (newlyTriggered) triggered = eventFrom(p.triggeredEvent, p.origin, p.triggeredTimestamp);
    }
    if (storedActive) {
      p.active = true;
      p.triggeredTimestamp = stored->triggeredTimestamp;
    }
    if (auto updated = db->updateConditionalUserProperty(p)) {
      monitor().logWithLevel(LogLevel::kDebug, messages::kConditionalPropertyAdded, "Conditional user property added. Name, origin", displayName(p.name),
                             Value(p.origin));
    } else {
      monitor().logWithLevel(LogLevel::kMonitoredError, messages::kConditionalPropertyInsertFailed,
                             "Cannot insert user property from conditional user property. Name, origin, "
                             "error",
                             displayName(p.name), Value(p.origin), errorText(updated.error()));
    }
    return true;
  });
  if (committed && triggered) host_->writeEventOnWorkerQueue(*triggered);
}

void ConditionalUserPropertyController::removeConditionalUserPropertyOnWorkerQueue(
    const std::optional<ConditionalUserProperty>& property) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "removeConditionalUserPropertyOnWorkerQueue:");
  if (!host_->isEnabled()) {
    monitor().logWithLevel(LogLevel::kWarning, messages::kRemoveWhileAnalyticsDisabled, "Cannot remove conditional user property. Analytics is disabled");
    return;
  }
  if (!property) {
    monitor().logWithLevel(LogLevel::kError, messages::kNilConditionalPropertyRemoveOnWorker, "Cannot remove nil conditional user property on worker queue");
    return;
  }
  auto db = database();
  if (!db) return;
  const ConditionalUserProperty& request = *property;
  std::optional<AnalyticsEvent> cleared;
  bool committed = db->performTransaction([&] {
    auto found = db->conditionalUserPropertyWithName(request.name);
    if (!found) {
      monitor().logWithLevel(LogLevel::kMonitoredError, messages::kPropertyToRemoveQueryFailed,
                             "Cannot query conditional user property to remove. Name, origin, error",
                             displayName(request.name), Value(request.origin), errorText(found.error()));
      return false;
    }
    const std::optional<ConditionalUserProperty>& stored = *found;
    if (!stored) {
      monitor().logWithLevel(LogLevel::kMonitoredWarning, messages::kNonexistentPropertyRemove, "Cannot remove nonexistent conditional user property. Name, origin",
                             displayName(request.name), Value(request.origin));
      return true;
    }
    if (auto result = db->deleteConditionalUserPropertyWithName(request.name); !result) {
      monitor().logWithLevel(LogLevel::kMonitoredError, messages::kConditionalPropertyDeleteFailed,
                             "Cannot delete conditional user property. Name, origin, error", displayName(request.name),
                             Value(stored->origin), errorText(result.error()));
      return false;
    }
    if (auto result =
            stored->active ? db->deleteUserAttributeWithName(request.name) : MeasurementDatabase::ErrorOr<void>();
        !result) {
      monitor().logWithLevel(LogLevel::kMonitoredError, messages::kRemovedUserPropertyDeleteFailed,
                             "Cannot remove conditional user property. Failed to delete the user property. "
                             "Name, origin, error",
                             displayName(request.name), Value(stored->origin), errorText(result.error()));
      return false;
    }
    cleared = eventFrom(request.expiredEvent, stored->origin, now());
    return true;
  });
  if (committed && cleared) host_->writeEventOnWorkerQueue(*cleared);
}

bool ConditionalUserPropertyController::removeTimedOutCUPWithTimedOutEvents(std::vector<AnalyticsEvent>* timedOutEvents) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "removeTimedOutCUPWithTimedOutEvents:");
  auto db = database();
  if (!db) return false;
  auto rows = db->timedOutConditionalUserPropertiesWithError();
  if (!rows) {
    monitor().logWithLevel(LogLevel::kMonitoredError, messages::kTimedOutPropertiesFetchFailed,
                           "Cannot fetch timed out conditional user properties. Error", errorText(rows.error()));
    return false;
  }
  for (const auto& row : *rows) {
    monitor().logWithLevel(LogLevel::kDebug, messages::kConditionalPropertyTimedOut, "Conditional user property has timed out. Name", displayName(row.name));
    if (auto result = db->deleteConditionalUserPropertyWithName(row.name); !result) {
      monitor().logWithLevel(LogLevel::kMonitoredError, messages::kTimedOutPropertyDeleteFailed,
                             "Cannot delete timed out condition user property. Name, error", displayName(row.name),
                             errorText(result.error()));
      return false;
    }
    if (auto event = eventFrom(row.timedOutEvent, row.origin, now()); event && timedOutEvents) {
      timedOutEvents->push_back(std::move(*event));
    }
  }
  return true;
}

bool ConditionalUserPropertyController::removeExpiredCUPWithExpiredEvents(std::vector<AnalyticsEvent>* expiredEvents) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "removeExpiredCUPWithExpiredEvents:");
  auto db = database();
  if (!db) return false;
  auto rows = db->expiredConditionalUserPropertiesWithError();
  if (!rows) {
    monitor().logWithLevel(LogLevel::kMonitoredError, messages::kExpiredPropertiesFetchFailed,
                           "Cannot fetch expired conditional user properties. Error", errorText(rows.error()));
    return false;
  }
  for (const auto& row : *rows) {
    monitor().logWithLevel(LogLevel::kDebug, messages::kConditionalPropertyExpired, "Conditional user property has expired. Name, expired event",
                           displayName(row.name), Value(row.expiredEvent ? row.expiredEvent->name() : std::string()));
    if (auto result = db->deleteUserAttributeWithName(row.name); !result) {
      monitor().logWithLevel(LogLevel::kMonitoredError, messages::kExpiredUserPropertyDeleteFailed,
                             "Cannot remove conditional user property. Failed to delete the user property. "
                             "Name, origin, error",
                             displayName(row.name), Value(row.origin), errorText(result.error()));
      return false;
    }
    if (auto result = db->deleteConditionalUserPropertyWithName(row.name); !result) {
      monitor().logWithLevel(LogLevel::kMonitoredError, messages::kExpiredPropertyDeleteFailed,
                             "Cannot delete expired condition user property. Name, error", displayName(row.name),
                             errorText(result.error()));
      return false;
    }
    if (auto event = eventFrom(row.expiredEvent, row.origin, now()); event && expiredEvents) {
      expiredEvents->push_back(std::move(*event));
    }
  }
  return true;
}

std::optional<std::vector<AnalyticsEvent>>
ConditionalUserPropertyController::updateConditionalUserPropertiesWithEventNameOnWorkerQueue(
    const std::string& eventName) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "updateConditionalUserPropertiesBasedOnEventNameOnWorkerQueue:");
  auto db = database();
  if (!db) return std::nullopt;
  auto rows = db->triggeredConditionalUserPropertiesWithEventName(eventName);
  if (!rows) {
    monitor().logWithLevel(LogLevel::kMonitoredError, messages::kTriggeringPropertiesFetchFailed,
                           "Cannot fetch triggering conditional user properties. Event name, error",
                           Value(eventNameForDisplay(eventName)), errorText(rows.error()));
    return std::nullopt;
  }
  std::vector<AnalyticsEvent> triggered;
  for (ConditionalUserProperty row : *rows) {
    double t = now();
    if (row.value) {
      if (auto updated = db->updateUserAttribute(UserAttribute(row.origin, row.name, *row.value, t))) {
        monitor().logWithLevel(LogLevel::kDebug, messages::kTriggeredUserPropertyUpdated, "User property updated. Name, origin, value", displayName(row.name),
                               Value(row.origin), row.value->objectValue());
      } else {
        monitor().logWithLevel(LogLevel::kMonitoredError, messages::kTriggeredUserPropertyUpdateFailed,
                               "Cannot update user property from conditional user property. Name, origin, "
                               "error",
                               displayName(row.name), Value(row.origin), errorText(updated.error()));
      }
    }
    if (auto event = eventFrom(row.triggeredEvent, row.origin, t)) triggered.push_back(std::move(*event));
    row.active = true;
    row.triggeredTimestamp = t;
    if (auto result = db->updateConditionalUserProperty(row); !result) {
      monitor().logWithLevel(LogLevel::kMonitoredError, messages::kTriggeredPropertyUpdateFailed,
                             "Cannot update conditional user property. Name, origin, error", displayName(row.name),
                             Value(row.origin), errorText(result.error()));
      return std::nullopt;
    }
  }
  return triggered;
}

std::optional<std::vector<AnalyticsEvent>> ConditionalUserPropertyController::processEventOnWorkerQueue(
    const std::optional<AnalyticsEvent>& event) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "processEventOnWorkerQueue:");
  if (!event) {
    monitor().logWithLevel(LogLevel::kSilentError, messages::kNilEventForConditionalProperties, "Cannot process nil event for conditional user property");
    return std::nullopt;
  }
  auto db = database();
  if (!db) return std::nullopt;
  // Most apps set none, and every event took the database's write lock for three reads that found
  // nothing. They are written on this queue only, so the answer holds for this event.
  if (auto any = db->containsConditionalUserProperties(); any.ok() && !*any) return std::vector<AnalyticsEvent>{};
  std::vector<AnalyticsEvent> lapsed;
  std::optional<std::vector<AnalyticsEvent>> triggered;
  bool committed = db->performTransaction([&] {
    if (!removeTimedOutCUPWithTimedOutEvents(&lapsed)) return false;
    if (!removeExpiredCUPWithExpiredEvents(&lapsed)) return false;
    triggered = updateConditionalUserPropertiesWithEventNameOnWorkerQueue(event->name());
    return triggered.has_value();
  });
  if (!committed) return std::nullopt;
  for (const AnalyticsEvent& lapsedEvent : lapsed) host_->writeEventOnWorkerQueue(lapsedEvent);
  return triggered;
}

}  // namespace sdk::analytics

