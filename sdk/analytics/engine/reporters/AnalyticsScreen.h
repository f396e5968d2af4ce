#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/AnalyticsValue.h"

namespace platform::runtime {
class Class;
}

namespace sdk::analytics {

// One screen the user saw: its name ("_sn"), class ("_sc") and instance ID ("_si"). Screens are
// compared by identity: showing the very same screen object again is no change of screen.
class AnalyticsScreen final : public platform::foundation::Object {
 public:
  AnalyticsScreen(std::optional<std::string> name, std::optional<std::string> className, std::int64_t instanceID)
      : name_(std::move(name)), className_(std::move(className)), instanceID_(instanceID) {}

  const std::optional<std::string>& name() const { return name_; }
  const std::optional<std::string>& className() const { return className_; }
  std::int64_t instanceID() const { return instanceID_; }

  // Made by a manual screen name.
  bool isManuallySet = false;
  // Made from a "screen_view" the app logged; `eventTimestamp` is that event's time.
  bool isManuallyTracked = false;
  double eventTimestamp = 0;

  // Same name, class and instance ID; the flags and the timestamp start afresh.
  std::shared_ptr<AnalyticsScreen> copy() const { return std::make_shared<AnalyticsScreen>(name_, className_, instanceID_); }

 private:
  std::optional<std::string> name_;
  std::optional<std::string> className_;
  std::int64_t instanceID_;
};

// "_si", then "_sc" and "_sn" where valid (an empty or invalid class is logged).
platform::foundation::Dictionary screenParametersOf(const AnalyticsScreen* screen);
// "_pi", then "_pc" and "_pn" where valid.
platform::foundation::Dictionary previousScreenParametersOf(const AnalyticsScreen* screen);
// The class name without a module prefix.
std::string shortClassName(const platform::runtime::Class* cls);
// The Info.plist switch for automatic screen reporting; on unless a number turns it off. Read at each use.
bool isAutomaticScreenReportingEnabled();
// A string of 1 to 100 characters.
bool isValidScreenText(const std::string& text, int* failureCode);

}  // namespace sdk::analytics

