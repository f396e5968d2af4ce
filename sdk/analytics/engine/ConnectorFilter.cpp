#include "sdk/analytics/engine/ConnectorFilter.h"

#include <regex>
#include <vector>

// The lists are never destroyed: listeners are told of events from queued work that may still run
// while the process exits.

namespace sdk::analytics {

const std::set<std::string>& ConnectorFilter::allowedListenerOrigins() {
  static const auto* list = new std::set<std::string>{"viam", "crash", "clx"};
  return *list;
}

const std::set<std::string>& ConnectorFilter::blocklistedOrigins() {
  static const auto* list = new std::set<std::string>{"auto", "app", "am"};
  return *list;
}

const std::set<std::string>& ConnectorFilter::blocklistedEventNames() {
  static const auto* list = new std::set<std::string>{"_e", "_f", "_iap", "_s", "_au"};
  return *list;
}

const std::set<std::string>& ConnectorFilter::blocklistedParameters() {
  static const auto* list = new std::set<std::string>{"_r", "_dbg"};
  return *list;
}

const std::set<std::string>& ConnectorFilter::blocklistedUserProperties() {
  static const auto* list = new std::set<std::string>{"_fot", "_ln", "_id", "_fi", "_lte", "_sid", "_sno"};
  return *list;
}

const std::set<std::string>& ConnectorFilter::hiddenEventNames() {
  static const auto* list = new std::set<std::string>{"_xa",         "_xu",           "_aq",           "_aa",       "_ai",
                                          "_ac",         "campaign_details", "_iapx",     "_ug",       "_exp_set",
                                          "_exp_clear",  "_exp_activate", "_exp_timeout", "_exp_expire"};
  return *list;
}

bool ConnectorFilter::isOriginAllowed(const std::string& origin) { return !blocklistedOrigins().contains(origin); }

bool ConnectorFilter::isAppOrigin(const std::string& origin) { return origin == "app" || origin.starts_with("app+"); }

bool ConnectorFilter::isListenerOriginAllowed(const std::string& origin) {
  return allowedListenerOrigins().contains(origin);
}

bool ConnectorFilter::isEventNameAllowedForListeners(const std::string& name) {
  return !hiddenEventNames().contains(name);
}

bool ConnectorFilter::shouldLogEventWithName(const std::string& name,
                                               const std::optional<platform::foundation::Dictionary>& parameters) {
  if (name.empty() || blocklistedEventNames().contains(name)) return false;
  if (parameters) {
    for (const auto& blocked : blocklistedParameters()) {
      if (parameters->contains(blocked)) return false;
    }
  }
  return true;
}

bool ConnectorFilter::isUserPropertyAllowed(const std::string& name, const std::string& origin) {
  if (name.empty()) return false;
  if (name == "_ln") return origin == "vcm" || origin == "viam";
  if (blocklistedUserProperties().contains(name)) return false;
  static const std::vector<std::regex> patterns{std::regex("^_ltv_[A-Z]{3}$"), std::regex("^_cc[1-5]{1}$")};
  for (const auto& pattern : patterns) {
    if (std::regex_search(name, pattern)) return false;
  }
  return true;
}

}  // namespace sdk::analytics

