#include "sdk/analytics/engine/ParkedCampaignLink.h"

#include <cmath>

#include "platform/foundation/Clock.h"
#include "sdk/analytics/foundation/UserDefaultsSuite.h"

namespace sdk::analytics {

namespace {
constexpr std::int64_t kHourMilliseconds = 3'600'000;
}

void parkCampaignLink(UserDefaultsSuite& defaults, const std::string& link) {
  defaults.setObject(platform::foundation::Value(link), kParkedCampaignLinkKey);
  defaults.setDouble(platform::foundation::Clock::current()->now(), kParkedCampaignLinkTimestampKey);
}

void forgetParkedCampaignLink(UserDefaultsSuite& defaults) {
  defaults.removeObjectForKey(kParkedCampaignLinkKey);
  defaults.removeObjectForKey(kParkedCampaignLinkTimestampKey);
}

std::optional<std::string> parkedCampaignLink(const UserDefaultsSuite& defaults) {
  const auto stored = defaults.objectForKey(kParkedCampaignLinkKey);
  if (!stored.string() || stored.string()->empty()) return std::nullopt;
  return *stored.string();
}

bool isParkedCampaignLinkExpired(const UserDefaultsSuite& defaults, double timeToLive) {
  const auto stored = defaults.objectForKey(kParkedCampaignLinkTimestampKey);
  if (!stored.isNumber()) return false;
  return std::fabs(platform::foundation::Clock::current()->now() - stored.toDouble()) > timeToLive;
}

bool forgetParkedCampaignLinkIfExpired(UserDefaultsSuite& defaults, double timeToLive) {
  if (!isParkedCampaignLinkExpired(defaults, timeToLive)) return false;
  forgetParkedCampaignLink(defaults);
  return true;
}

std::int64_t campaignClickHour(std::int64_t milliseconds) {
  return milliseconds / kHourMilliseconds * kHourMilliseconds - kHourMilliseconds;
}

}  // namespace sdk::analytics

