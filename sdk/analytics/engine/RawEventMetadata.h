#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/foundation/UserAttribute.h"

namespace sdk::analytics {

// The bundle-level fields every raw event is stored with, and the rule that decides which
// identifiers a bundle may carry. The rule runs when the metadata is built and again on every queued
// bundle before it is sent, so a consent change reaches bundles already waiting.
class RawEventMetadata {
 public:
  // The metadata under the current app, device, consent and identity state, with every stored user
  // property. Properties are ordered by name, so equal state always encodes to equal bytes and thus
  // to one fingerprint, whatever order the store hands them out in.
  static std::shared_ptr<ProtoMeasurementBundle> create(Identity& identity,
                                                        std::vector<UserAttribute> userAttributes);

  // Sets or clears the advertising, vendor and app instance identifiers, the limited-tracking flag,
  // the consent string and the tracking-authorisation status of `bundle` as `consentSignals` and the
  // tracking gate allow.
  static void applyIdentifierRule(ProtoMeasurementBundle& bundle, const std::optional<std::string>& consentSignals,
                                  bool gateIDFAOnATTMASEnabled, const Identity::Identifiers& identifiers);
};

}  // namespace sdk::analytics

