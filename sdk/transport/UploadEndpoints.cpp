#include "sdk/transport/UploadEndpoints.h"

#include <cstdlib>
#include <mutex>

#include "platform/net/URLRequest.h"
#include "sdk/core/AppOptions.h"

namespace sdk::transport {

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

std::string UploadEndpoints::serviceBaseURL() {
  if (const char* environment = std::getenv(kServiceURLEnvironmentVariable); environment && *environment) {
    return platform::net::normalizedBaseURL(environment);
  }
  const auto options = sdk::core::AppOptions::defaultOptionsDictionary();
  if (!options) return "";
  const auto found = options->find(kServiceURLOptionKey);
  return found != options->end() && found->second.isString() ? platform::net::normalizedBaseURL(*found->second.string())
                                                              : "";
}

std::map<std::int64_t, std::string> UploadEndpoints::uploadURLs() {
  std::map<std::int64_t, std::string> urls;
  for (const auto& [target, name] : targetNames()) {
    if (auto url = uploadURLForTarget(target)) urls[target] = *url;
  }
  return urls;
}

std::optional<std::string> UploadEndpoints::uploadURLForTarget(std::int64_t target) {
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

bool UploadEndpoints::setUploadURLForTarget(std::int64_t target, std::string url) {
  if (!targetNames().count(target)) return false;
  std::lock_guard lock(overrides().mutex);
  overrides().urls[target] = std::move(url);
  return true;
}

void UploadEndpoints::resetUploadURLs() {
  std::lock_guard lock(overrides().mutex);
  overrides().urls.clear();
}

}  // namespace sdk::transport

