#pragma once

#include <cstdint>

namespace sdk::analytics {

class MeasurementDatabase;
class AnalyticsEvent;

// Keeps the user's revenue per currency as internal user properties "_ltv_" + the upper-case
// currency code, each an int64 amount in micros, so later events and bundles carry it like any
// other user property. At most `maxTrackedCurrencies` currencies are kept; a new one evicts the
// least recently set.
class LifetimeValueRecorder {
 public:
  static constexpr std::int64_t kDefaultMaxTrackedCurrencies = 4;

  // "_iap" or an ecommerce purchase event.
  static bool isPurchaseEvent(const AnalyticsEvent& event);
  // "ecommerce_purchase", "purchase" or "refund".
  static bool isEcommercePurchaseEvent(const AnalyticsEvent& event);

  // False only when a database step failed, so the caller can roll its transaction back. An event
  // whose currency or amount can't be used (wrong kind, not finite, beyond the int64 range, or a
  // total that would overflow) is logged and leaves the totals as they were: the event itself is
  // still worth keeping.
  [[nodiscard]] static bool recordLifetimeValueToDatabase(MeasurementDatabase& database, const AnalyticsEvent& event,
                                                          std::int64_t maxTrackedCurrencies = kDefaultMaxTrackedCurrencies);
};

}  // namespace sdk::analytics

