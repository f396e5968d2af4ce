#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sdk/analytics/rules/MeasurementHost.h"
#include "sdk/analytics/rules/ScriptLoggerDelegate.h"

namespace sdk::analytics {

// Script levels to the monitor's levels, code 24005.
class MonitorScriptLogger final : public ScriptLoggerDelegate {
 public:
  static constexpr std::int64_t kMessageCode = 24005;
  explicit MonitorScriptLogger(std::shared_ptr<const sdk::analytics::MeasurementHost> host) : host_(std::move(host)) {}
  static int monitorLevel(std::int64_t level, bool silent, bool monitored);
  void logWithLevel(std::int64_t level, const std::string& message, const std::vector<std::string>& contexts,
                    bool silent, bool monitored) override;

 private:
  std::shared_ptr<const sdk::analytics::MeasurementHost> host_;
};

}  // namespace sdk::analytics
