#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "sdk/core/ZEDIvadazudoInterop.h"
#include "sdk/crash/reports/VURCRBreadcrumbLog.h"

// The crash reporter's side of analytics: the app's logged events become breadcrumbs ("$A$:" and the
// event as JSON), and a crash found at the next launch is logged as the app-exception event "_ae" so
// analytics can count crash-free users. Analytics may be absent; then nothing of this happens.
class VURCRAnalyticsManager : public ZEDIvadazudoInteropListener,
                              public std::enable_shared_from_this<VURCRAnalyticsManager> {
 public:
  static constexpr const char* kListenerOrigin = "clx";
  static constexpr const char* kBreadcrumbPrefix = "$A$:";

  // `analytics` may be null (analytics not linked).
  VURCRAnalyticsManager(std::shared_ptr<ZEDIvadazudoInterop> analytics, std::shared_ptr<VURCRBreadcrumbLog> breadcrumbs);

  // Once per manager.
  void registerAnalyticsListener();
  void messageTriggered(const std::string& name, const platform::foundation::Dictionary& parameters) override;

  // `timestamp` in seconds since 1970; nothing without analytics.
  static void logCrashWithTimeStamp(double timestamp, const std::shared_ptr<ZEDIvadazudoInterop>& analytics);

 private:
  std::shared_ptr<ZEDIvadazudoInterop> analytics_;
  std::shared_ptr<VURCRBreadcrumbLog> breadcrumbs_;
  std::once_flag registration_;
};
