#include "sdk/analytics/rules/ConditionalUserPropertyController.h"

#include <condition_variable>
#include <mutex>

#include "platform/foundation/Clock.h"
#include "sdk/analytics/foundation/DataTypeValidator.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/rules/MeasurementHost.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"

namespace sdk::analytics {

using platform::foundation::Error;
using platform::foundation::Value;

using sdk::analytics::now;

namespace {

std::mutex sharedMutex;
std::shared_ptr<const sdk::analytics::MeasurementHost> sharedHost;

// Within [0.001, 180 days]; NaN fails every comparison and is refused with the rest.
bool isValidDuration(double seconds) {
  return seconds >= ConditionalUserPropertyController::kMinimumDuration &&
         seconds <= ConditionalUserPropertyController::kMaximumDuration;
}

}  // namespace

ConditionalUserPropertyController::ConditionalUserPropertyController(
    std::shared_ptr<const sdk::analytics::MeasurementHost> host)
    : host_(std::move(host)) {}

std::shared_ptr<ConditionalUserPropertyController> ConditionalUserPropertyController::sharedInstance() {
  static std::shared_ptr<ConditionalUserPropertyController> instance;
  std::lock_guard lock(sharedMutex);
  if (!instance && sharedHost) instance = std::make_shared<ConditionalUserPropertyController>(sharedHost);
  return instance;
}

void ConditionalUserPropertyController::setSharedHost(std::shared_ptr<const sdk::analytics::MeasurementHost> host) {
  std::lock_guard lock(sharedMutex);
  sharedHost = std::move(host);
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

}  // namespace sdk::analytics

