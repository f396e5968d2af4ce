#include "sdk/analytics/engine/UploadTime.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace sdk::analytics {

double nextUploadingTimeFor(const UploadTimeInputs& in) {
  constexpr double kEpsilon = std::numeric_limits<double>::epsilon();
  if (std::fabs(in.newestDataTime) < kEpsilon) return 0;
  const double interval = in.realtime ? in.realtimeInterval : in.uploadInterval;
  // Data stamped in the future (a clock set back) counts as that far in the past.
  const double base = in.now - std::fabs(in.newestDataTime - in.now);
  double t = std::fabs(in.now - in.lastSuccessfulUpload) < interval ? in.lastSuccessfulUpload + interval
                                                                      : base + in.initialDelay;
  if (in.lastFailedUpload >= base) {
    for (std::int32_t k = 0; k < in.retryCount; ++k) {
      t += in.retryInterval * std::ldexp(1.0, k);
      if (t > in.lastFailedUpload) return t;
    }
    return 0;
  }
  return in.debug ? std::min(t, base + in.debugInterval) : t;
}

}  // namespace sdk::analytics

