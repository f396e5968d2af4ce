#pragma once

#include <memory>
#include <string>

#include "platform/foundation/Value.h"

namespace sdk::core {
class AnalyticsConfiguration;
}  // namespace sdk::core

namespace sdk::analytics::facade {

// The library's start: the checks every start call repeats, and the body that runs once per process,
// which reads the start options, has the engine made on the serial queue and lets the calls queued
// before start through.
class FacadeStart {
 public:
  using Dictionary = platform::foundation::Dictionary;

  // The checks that refuse a start. False: stop.
  static bool mayStart(const std::string& origin);
  static void applyLogTag(const Dictionary& options);
  static void run(const std::string& appID, const std::string& origin, const Dictionary& options,
                  const std::shared_ptr<sdk::core::AnalyticsConfiguration>& configuration);
  // Every element a valid internal event name; logged and refused otherwise.
  static bool validateSafelistedEvents(const platform::foundation::Value& list);

 private:
  static void maybeEnableTagManager();
};

}  // namespace sdk::analytics::facade
