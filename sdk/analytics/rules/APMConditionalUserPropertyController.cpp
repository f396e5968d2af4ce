#include "sdk/analytics/rules/APMConditionalUserPropertyController.h"

#include <condition_variable>
#include <mutex>

#include "platform/foundation/Clock.h"
#include "sdk/analytics/foundation/APMDataTypeValidator.h"
#include "sdk/analytics/foundation/APMDatabase.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMScheduler.h"
#include "sdk/analytics/rules/MeasurementHost.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"

using platform::foundation::Error;
using platform::foundation::Value;

using sdk::analytics::now;

namespace {

std::mutex sharedMutex;
std::shared_ptr<const sdk::analytics::MeasurementHost> sharedHost;

// Within [0.001, 180 days]; NaN fails every comparison and is refused with the rest.
bool isValidDuration(double seconds) {
  return seconds >= APMConditionalUserPropertyController::kMinimumDuration &&
         seconds <= APMConditionalUserPropertyController::kMaximumDuration;
}

}  // namespace

APMConditionalUserPropertyController::APMConditionalUserPropertyController(
    std::shared_ptr<const sdk::analytics::MeasurementHost> host)
    : host_(std::move(host)) {}

std::shared_ptr<APMConditionalUserPropertyController> APMConditionalUserPropertyController::sharedInstance() {
  static std::shared_ptr<APMConditionalUserPropertyController> instance;
  std::lock_guard lock(sharedMutex);
  if (!instance && sharedHost) instance = std::make_shared<APMConditionalUserPropertyController>(sharedHost);
  return instance;
}

void APMConditionalUserPropertyController::setSharedHost(std::shared_ptr<const sdk::analytics::MeasurementHost> host) {
  std::lock_guard lock(sharedMutex);
  sharedHost = std::move(host);
}

APMMonitor& APMConditionalUserPropertyController::monitor() const { return *host_->monitor(); }

std::shared_ptr<APMDatabase> APMConditionalUserPropertyController::database() const { return host_->database(); }

void APMConditionalUserPropertyController::schedule(const std::string& blockID,
                                                    std::function<void(APMConditionalUserPropertyController&)> work) {
  auto scheduler = host_->scheduler();
  if (!scheduler) return;
  std::weak_ptr<APMConditionalUserPropertyController> weak = weak_from_this();
  scheduler->scheduleOnWorkerQueueBlockID(blockID, [weak, work = std::move(work)] {
    if (auto self = weak.lock()) work(*self);
  });
}

bool APMConditionalUserPropertyController::isValid(const APMConditionalUserProperty& property) const {
  if (!APMDataTypeValidator::isValidConditionalUserPropertyOrigin(property.origin, nullptr)) return false;
  if (!APMDataTypeValidator::isValidConditionalUserPropertyName(property.name, nullptr)) return false;
  if (property.value && !APMDataTypeValidator::isValidConditionalUserPropertyValue(*property.value, nullptr)) {
    return false;
  }
  if (!isValidDuration(property.triggerTimeout)) {
    monitor().logWithLevel(2, 11000, "Invalid conditional user property trigger timeout", Value(property.triggerTimeout));
    return false;
  }
  if (!isValidDuration(property.timeToLive)) {
    monitor().logWithLevel(2, 11001, "Invalid conditional user property time to live", Value(property.timeToLive));
    return false;
  }
  return true;
}

void APMConditionalUserPropertyController::setConditionalUserProperty(
    const std::optional<APMConditionalUserProperty>& property, const std::string& name) {
  if (!property) {
    monitor().logWithLevel(2, 11002, "Cannot set nil conditional user property");
    return;
  }
  APMConditionalUserProperty copy = *property;
  copy.name = name;
  if (!isValid(copy)) return;
  copy.creationTimestamp = now();
  schedule("APMConditionalUserPropertyController:88", [copy](APMConditionalUserPropertyController& self) {
    if (copy.value) {
      self.setConditionalUserPropertyOnWorkerQueue(copy);
    } else {
      self.removeConditionalUserPropertyOnWorkerQueue(copy);
    }
  });
}

void APMConditionalUserPropertyController::clearConditionalUserPropertyWithClearEvent(
    const std::optional<APMEvent>& clearEvent, const std::string& name) {
  if (!APMDataTypeValidator::isValidConditionalUserPropertyName(name, nullptr)) return;
  APMConditionalUserProperty request;
  request.name = name;
  request.expiredEvent = clearEvent;
  schedule("APMConditionalUserPropertyController:113", [request](APMConditionalUserPropertyController& self) {
    self.removeConditionalUserPropertyOnWorkerQueue(request);
  });
}

std::optional<std::vector<APMConditionalUserProperty>>
APMConditionalUserPropertyController::conditionalUserPropertiesWithNamePrefix(
    const std::optional<std::string>& namePrefix, const std::optional<std::string>& origin) {
  struct Wait {
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    std::optional<std::vector<APMConditionalUserProperty>> result;
    Error error;
  };
  auto wait = std::make_shared<Wait>();
  auto query = [self = shared_from_this(), wait, namePrefix, origin] {
    std::optional<std::vector<APMConditionalUserProperty>> result;
    Error error;
    if (!self->host_->isEnabled()) {
      self->monitor().logWithLevel(3, 11005, "Cannot query for conditional user properties. Analytics is disabled");
    } else if (auto db = self->database()) {
      result = db->conditionalUserPropertiesWithPrefix(namePrefix.value_or(""), origin.value_or(""), &error);
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
    monitor().logWithLevel(2, 11006, "Cannot query for conditional user properties. Name prefix, origin, error",
                           Value(namePrefix.value_or("")), Value(origin.value_or("")),
                           Value(wait->error.localizedDescription()));
  }
  return wait->result;
}
