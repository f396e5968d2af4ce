#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sdk/analytics/rules/MeasurementHost.h"

namespace sdk::analytics {

// Tests only: the engine's log and remote configuration, held in memory.
class FakeMeasurementHost final : public sdk::analytics::MeasurementHost {
 public:
  std::shared_ptr<Monitor> monitor() const override { return monitor_; }
  std::optional<std::string> remoteConfigValue(const std::string& key) const override {
    auto it = config.find(key);
    if (it == config.end()) return std::nullopt;
    return it->second;
  }
  bool boolSetting(const std::string& key, bool defaultValue) const override {
    auto it = settings.find(key);
    return it == settings.end() ? defaultValue : it->second;
  }
  // The monitoring data logged so far, as "level:code:count" entries.
  std::string monitoringData() { return monitor_->monitoringDataForDispatchWithSamplePeriod(0, 0); }

  std::map<std::string, std::string> config;
  std::map<std::string, bool> settings;

 private:
  std::shared_ptr<Monitor> monitor_ = std::make_shared<Monitor>(1, std::vector<std::string>{});
};

}  // namespace sdk::analytics

