#pragma once

#include "platform/runtime/Class.h"

namespace sdk::interception {

// The overrides a proxied application delegate runs, kept as methods of a runtime class of their own
// ("VDUAppDelegateSwizzler") from which they are copied into each generated subclass. Each one hands the
// message to the interceptors first, then to the implementation the delegate's real class had.
struct AppDelegateDonors {
  // The class holding the overrides under the delegate selectors' own names, the remote-notification
  // ones under the names below, and the description override.
  static platform::runtime::Class* donorClass();

  static constexpr const char* kDonorDidRegister =
      "application:donor_didRegisterForRemoteNotificationsWithDeviceToken:";
  static constexpr const char* kDonorDidFailToRegister =
      "application:donor_didFailToRegisterForRemoteNotificationsWithError:";
  static constexpr const char* kDonorDidReceive = "application:donor_didReceiveRemoteNotification:";
  static constexpr const char* kDonorDidReceiveFetch =
      "application:donor_didReceiveRemoteNotification:fetchCompletionHandler:";
  static constexpr const char* kFakeDescription = "fakeDescription";
};

}  // namespace sdk::interception

