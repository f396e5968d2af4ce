#pragma once

#include <memory>

#include "sdk/analytics/rules/MeasurementHost.h"

namespace sdk::analytics {

// The engine as seen by what the engine itself owns (the settings' editing programs): every call goes
// to the engine while it lives, so the programs never keep their owner alive. Without an engine the
// log is the process-wide monitor and the settings read as their defaults.
class WeakMeasurementHost final : public MeasurementHost {
 public:
  explicit WeakMeasurementHost(std::weak_ptr<const MeasurementHost> host) : host_(std::move(host)) {}

  std::shared_ptr<Monitor> monitor() const override {
    auto host = host_.lock();
    return host ? host->monitor() : Monitor::shared();
  }
  std::optional<std::string> remoteConfigValue(const std::string& key) const override {
    auto host = host_.lock();
    return host ? host->remoteConfigValue(key) : std::nullopt;
  }
  bool boolSetting(const std::string& key, bool defaultValue) const override {
    auto host = host_.lock();
    return host ? host->boolSetting(key, defaultValue) : defaultValue;
  }
  std::int64_t integerSetting(const std::string& key, std::int64_t defaultValue, std::int64_t minimum,
                              std::int64_t maximum) const override {
    auto host = host_.lock();
    return host ? host->integerSetting(key, defaultValue, minimum, maximum) : defaultValue;
  }
  std::shared_ptr<MeasurementDatabase> database() const override {
    auto host = host_.lock();
    return host ? host->database() : nullptr;
  }
  std::shared_ptr<Scheduler> scheduler() const override {
    auto host = host_.lock();
    return host ? host->scheduler() : nullptr;
  }
  bool isEnabled() const override {
    auto host = host_.lock();
    return host && host->isEnabled();
  }
  void writeEventOnWorkerQueue(const AnalyticsEvent& event) const override {
    if (auto host = host_.lock()) host->writeEventOnWorkerQueue(event);
  }
  std::optional<std::string> appInstanceID() const override {
    auto host = host_.lock();
    return host ? host->appInstanceID() : std::nullopt;
  }

 private:
  std::weak_ptr<const MeasurementHost> host_;
};

}  // namespace sdk::analytics

