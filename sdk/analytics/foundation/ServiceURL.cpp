#include "sdk/analytics/foundation/ServiceURL.h"

#include <cstdlib>

#include "platform/net/URLRequest.h"
#include "sdk/analytics/foundation/EnvironmentInfo.h"

namespace sdk::analytics {

namespace {

std::size_t hostStart(const std::string& url) {
  for (const char* scheme : {"https://", "http://"}) {
    if (url.rfind(scheme, 0) == 0) return std::char_traits<char>::length(scheme);
  }
  return std::string::npos;
}

}  // namespace

std::string normalizedServiceURL(std::string url) { return platform::net::normalizedBaseURL(std::move(url)); }

std::string serviceBaseURL() {
  if (const char* environment = std::getenv(kAnalyticsServiceURLEnvironmentVariable); environment && *environment) {
    return normalizedServiceURL(environment);
  }
  const auto options = InfoPlistFileUtil::dictionaryFromServiceInfoPlist();
  const auto* url = options[kAnalyticsServiceURLOptionKey].string();
  return url ? normalizedServiceURL(*url) : "";
}

std::string serviceHost() {
  const std::string url = serviceBaseURL();
  const std::size_t start = hostStart(url);
  if (start == std::string::npos) return "";
  std::string host = url.substr(start, url.find('/', start) - start);
  if (host.size() > 1 && host.front() == '[') return host.substr(1, host.find(']') - 1);
  return host.substr(0, host.rfind(':') == std::string::npos ? host.size() : host.rfind(':'));
}

}  // namespace sdk::analytics

