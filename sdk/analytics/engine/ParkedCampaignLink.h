#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sdk/analytics/foundation/UserDefaultsSuite.h"

namespace sdk::analytics {

// A link the app was launched with waits in the standard defaults until the engine has started and can
// report it. These keys are read by earlier versions too: they never change.
inline constexpr const char* kParkedCampaignLinkKey = "/vadeze/measurement/deep_link";
inline constexpr const char* kParkedCampaignLinkTimestampKey = "/vadeze/measurement/deep_link_timestamp_seconds";

// Stores `link` with the current time, over any link parked before.
void parkCampaignLink(UserDefaultsSuite& defaults, const std::string& link);
void forgetParkedCampaignLink(UserDefaultsSuite& defaults);
// The parked link; nothing unless a non-empty text is stored.
std::optional<std::string> parkedCampaignLink(const UserDefaultsSuite& defaults);
// True when a parked time is stored and lies further than `timeToLive` seconds from now, either way:
// a clock set back must not keep a link for ever.
bool isParkedCampaignLinkExpired(const UserDefaultsSuite& defaults, double timeToLive);
// Forgets the parked link when it has expired; true when it did.
bool forgetParkedCampaignLinkIfExpired(UserDefaultsSuite& defaults, double timeToLive);
// The start of the hour before the one `milliseconds` falls in (10:30 gives 09:00).
std::int64_t campaignClickHour(std::int64_t milliseconds);

}  // namespace sdk::analytics

