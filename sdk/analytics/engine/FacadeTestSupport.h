#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/FacadeEngine.h"

namespace sdk::analytics {

}  // namespace sdk::analytics

namespace ostrel::testing {

// The helpers sit beside the analytics code they drive.
using namespace sdk::analytics;

// An engine that records what the facade asks of it, in order, and answers queries at once.
class RecordingEngine : public FacadeEngine {
 public:
  void logEvent(const LoggedEvent& event) override {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
    calls_.push_back("event " + event.name);
  }
  void setEnabled(bool enabled) override { record(enabled ? "enable" : "disable"); }
  bool wasEnabledDuringInitialization() const override { return enabledAtStart; }
  bool didInitializeComponents() const override { return componentsInitialized; }
  void setSessionTimeoutInterval(double seconds) override { record("timeout " + std::to_string(int(seconds))); }
  void setDefaultEventParameters(const std::optional<Dictionary>& parameters) override {
    record(parameters ? "defaults" : "defaults cleared");
  }
  void setUserAttribute(const sdk::analytics::UserAttribute& attribute) override {
    record("set " + attribute.name + "=" + attribute.value.description() + " " + attribute.origin);
  }
  void removeUserAttribute(const sdk::analytics::UserAttribute& attribute) override { record("remove " + attribute.name); }
  void userPropertiesIncludingInternal(bool, std::function<void(const Dictionary&)> callback) override {
    callback(Dictionary{{"color", platform::foundation::Value("red")}});
  }
  void maxUserPropertiesForOrigin(const std::string&, std::function<void(std::int64_t)> callback) override {
    if (answersMaxUserProperties) callback(25);
  }
  std::optional<std::int64_t> shouldDisableAdPersonalization() override { return disableAdPersonalization; }
  bool resetAnalyticsDataWithAppInstanceID(const std::optional<std::string>& appInstanceID) override {
    record("reset " + appInstanceID.value_or("-"));
    return resetSucceeds;
  }
  void handleNonFirstOpenEventURL(const std::string& url, double) override { record("url " + url); }

  std::vector<std::string> calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  std::vector<LoggedEvent> events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }
  void record(std::string call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
  }

  std::atomic<bool> enabledAtStart{true};
  std::atomic<bool> componentsInitialized{true};
  std::atomic<bool> resetSucceeds{true};
  std::atomic<bool> answersMaxUserProperties{true};
  std::optional<std::int64_t> disableAdPersonalization;

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> calls_;
  std::vector<LoggedEvent> events_;
};

// Installs `engine` as what the facade's start creates; the creation is recorded as "create <app ID>".
inline void installRecordingEngine(const std::shared_ptr<RecordingEngine>& engine) {
  auto created = std::make_shared<std::atomic<bool>>(false);
  sdk::analytics::Analytics::setEngineAccess(
      {[engine, created](const std::string& appID, bool, bool, const std::vector<std::string>&) {
         engine->record("create " + appID);
         *created = true;
       },
       [engine, created]() -> std::shared_ptr<FacadeEngine> {
         if (!*created) return nullptr;
         return engine;
       }});
}

}  // namespace ostrel::testing
