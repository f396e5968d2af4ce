#include "sdk/analytics/foundation/APMServiceURL.h"

#include <cstdlib>

#include "platform/net/URLRequest.h"
#include "sdk/analytics/foundation/APMEnvironment.h"

namespace sdk::analytics {

namespace {

std::size_t hostStart(const std::string& url) {
  for (const char* scheme : {"https://", "http://"}) {
    if (url.rfind(scheme, 0) == 0) return std::char_traits<char>::length(scheme);
  }
  return std::string::npos;
}

}  // namespace

std::string APMNormalizedServiceURL(std::string url) { return platform::net::normalizedBaseURL(std::move(url)); }

std::string APMServiceBaseURL() {
  if (const char* environment = std::getenv(kAnalyticsServiceURLEnvironmentVariable); environment && *environment) {
    return APMNormalizedServiceURL(environment);
  }
  const auto options = APMInfoPlistFileUtil::dictionaryFromVadezeServiceInfoPlist();
  const auto* url = options[kAnalyticsServiceURLOptionKey].string();
  return url ? APMNormalizedServiceURL(*url) : "";
}

std::string APMServiceHost() {
  const std::string url = APMServiceBaseURL();
  const std::size_t start = hostStart(url);
  if (start == std::string::npos) return "";
  std::string host = url.substr(start, url.find('/', start) - start);
  if (host.size() > 1 && host.front() == '[') return host.substr(1, host.find(']') - 1);
  return host.substr(0, host.rfind(':') == std::string::npos ? host.size() : host.rfind(':'));
}

}  // namespace sdk::analytics
