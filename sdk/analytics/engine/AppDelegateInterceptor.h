#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/ui/ApplicationDelegateSelectors.h"

namespace sdk::analytics {

// Hears the app delegate's open-URL, continued-activity and background-session messages through the
// app-delegate proxy and hands them to the analytics facade. Its answers are ignored by the proxy.
class AppDelegateInterceptor final : public platform::runtime::Object {
 public:
  static constexpr platform::runtime::NativeClass<platform::runtime::Object> kRuntimeClass{
      "APMAppDelegateInterceptor", platform::runtime::Image::Sdk};

  static std::shared_ptr<AppDelegateInterceptor> sharedInstance();
  AppDelegateInterceptor();
};

// The web page a continued "browse the web" activity points at; nothing for any other activity.
std::optional<std::string> deepLinkFromUserActivity(const platform::ui::UserActivity* activity);

}  // namespace sdk::analytics

