#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"

namespace sdk::core {

// The text the SDK's network clients send to say who is calling: one "name/version" item per
// registered library and per environment fact, sorted, joined by one space. Any thread may use it.
class UserAgent {
 public:
  using Dictionary = platform::foundation::Dictionary;

  UserAgent() = default;

  // No value removes the component.
  void setValue(std::optional<std::string> value, const std::string& component);
  // Cached until the next change.
  std::string userAgentString();
  // Drops every library entry; only the environment is left.
  void reset();

  // Computed on first use, then kept.
  const Dictionary& environmentComponents();
  // Computed afresh: platform, SDK and tool builds from Info.plist, store install, deployment,
  // device and system version. Facts the system cannot tell are left out.
  static Dictionary computeEnvironmentComponents();

  // The order of the items: ASCII letters compared without case, then the bytes themselves, so that
  // the text is the same on every machine whatever its locale, and never depends on equal-looking
  // items' arrival order.
  static bool itemPrecedes(const std::string& a, const std::string& b);

 private:
  std::recursive_mutex mutex_;
  std::optional<std::string> cached_;
  std::optional<Dictionary> environment_;
  Dictionary valuesByComponent_;
};

}  // namespace sdk::core

