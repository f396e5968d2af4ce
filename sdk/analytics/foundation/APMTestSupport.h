#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/log/Log.h"
#include "sdk/analytics/foundation/APMErrorEvent.h"
#include "sdk/analytics/foundation/APMMonitor.h"

namespace sdk::analytics {}

namespace ostrel::testing {

// The helpers sit beside the analytics code they drive.
using namespace sdk::analytics;

// For one test: a fresh shared monitor (with the given launch arguments), the console lines it
// writes, and the error events raised meanwhile.
class MonitorScope {
 public:
  explicit MonitorScope(const std::vector<std::string>& launchArguments = {})
      : monitor(std::make_shared<APMMonitor>(1, launchArguments)) {
    APMMonitor::setShared(monitor);
    previousHandler_ = APMSetErrorEventHandler([this](const std::string&, const std::string&, const APMParameters& p) {
      std::lock_guard lock(mutex_);
      errorEvents_.push_back(p);
    });
  }
  ~MonitorScope() {
    APMSetErrorEventHandler(previousHandler_);
    APMMonitor::setShared(nullptr);
  }
  MonitorScope(const MonitorScope&) = delete;
  MonitorScope& operator=(const MonitorScope&) = delete;

  // Whether a line of this code was written to the console or, for the silent levels, kept in the
  // monitoring data (which this drains).
  bool logged(std::int64_t code) {
    if (console.contains("[" + APMMonitor::formattedCode(code) + "]")) return true;
    monitored_ += ";" + monitor->monitoringDataForDispatchWithSamplePeriod(0, 0);
    return monitored_.find(":" + std::to_string(code) + ":") != std::string::npos;
  }
  std::vector<APMParameters> errorEvents() const {
    std::lock_guard lock(mutex_);
    return errorEvents_;
  }

  std::shared_ptr<APMMonitor> monitor;
  platform::log::CapturedLines console;

 private:
  mutable std::mutex mutex_;
  std::vector<APMParameters> errorEvents_;
  std::string monitored_;
  APMErrorEventHandler previousHandler_;
};

}  // namespace ostrel::testing
