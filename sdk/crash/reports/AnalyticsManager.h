#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "sdk/core/AnalyticsInterop.h"
#include "sdk/crash/reports/BreadcrumbLog.h"

namespace sdk::crash {

// The crash reporter's side of analytics: the app's logged events become breadcrumbs ("$A$:" and the
// event as JSON), and a crash found at the next launch is logged as the app-exception event "_ae" so
// analytics can count crash-free users. Analytics may be absent; then nothing of this happens.
class AnalyticsManager : public sdk::core::AnalyticsInteropListener,
                              public std::enable_shared_from_this<AnalyticsManager> {
 public:
  static constexpr const char* kListenerOrigin = "clx";
  static constexpr const char* kBreadcrumbPrefix = "$A$:";

  // `analytics` may be null (analytics not linked).
  AnalyticsManager(std::shared_ptr<sdk::core::AnalyticsInterop> analytics, std::shared_ptr<BreadcrumbLog> breadcrumbs);

  // Once per manager.
  void registerAnalyticsListener();
  void messageTriggered(const std::string& name, const platform::foundation::Dictionary& parameters) override;

  // `timestamp` in seconds since 1970; nothing without analytics.
  static void logCrashWithTimeStamp(double timestamp, const std::shared_ptr<sdk::core::AnalyticsInterop>& analytics);

 private:
  std::shared_ptr<sdk::core::AnalyticsInterop> analytics_;
  std::shared_ptr<BreadcrumbLog> breadcrumbs_;
  std::once_flag registration_;
};

}  // namespace sdk::crash

