#include "sdk/transport/VDTCOREndpoints.h"

#include <cstdlib>
#include <mutex>

#include "platform/net/URLRequest.h"
#include "sdk/core/VUROptions.h"

namespace {

const std::map<std::int64_t, std::string>& targetNames() {
  static const std::map<std::int64_t, std::string> names{{1000, "upl"}, {1001, "vll"}, {1002, "csh"}, {1003, "int"}};
  return names;
}

struct Overrides {
  std::mutex mutex;
  std::map<std::int64_t, std::string> urls;
};

Overrides& overrides() {
  static Overrides instance;
  return instance;
}

}  // namespace

std::string VDTCOREndpoints::serviceBaseURL() {
  if (const char* environment = std::getenv(kServiceURLEnvironmentVariable); environment && *environment) {
    return platform::net::normalizedBaseURL(environment);
  }
  const auto options = VUROptions::defaultOptionsDictionary();
  if (!options) return "";
  const auto found = options->find(kServiceURLOptionKey);
  return found != options->end() && found->second.isString() ? platform::net::normalizedBaseURL(*found->second.string())
                                                              : "";
}

std::map<std::int64_t, std::string> VDTCOREndpoints::uploadURLs() {
  std::map<std::int64_t, std::string> urls;
  for (const auto& [target, name] : targetNames()) {
    if (auto url = uploadURLForTarget(target)) urls[target] = *url;
  }
  return urls;
}

std::optional<std::string> VDTCOREndpoints::uploadURLForTarget(std::int64_t target) {
  auto name = targetNames().find(target);
  if (name == targetNames().end()) return std::nullopt;
  {
    std::lock_guard lock(overrides().mutex);
    if (auto found = overrides().urls.find(target); found != overrides().urls.end()) return found->second;
  }
  const std::string base = serviceBaseURL();
  if (base.empty()) return std::nullopt;
  return base + "/batch/" + name->second;
}

bool VDTCOREndpoints::setUploadURLForTarget(std::int64_t target, std::string url) {
  if (!targetNames().count(target)) return false;
  std::lock_guard lock(overrides().mutex);
  overrides().urls[target] = std::move(url);
  return true;
}

void VDTCOREndpoints::resetUploadURLs() {
  std::lock_guard lock(overrides().mutex);
  overrides().urls.clear();
}
