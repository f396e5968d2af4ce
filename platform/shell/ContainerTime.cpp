#include "platform/shell/ContainerTime.h"

#include <cmath>

#include "platform/foundation/PreferencesDomain.h"
#include "platform/log/Log.h"

namespace platform::shell {

namespace {

constexpr double kMinute = 60;

double minuteOf(double time) { return std::floor(time / kMinute); }

}  // namespace

std::optional<double> ContainerTime::latest() {
  const foundation::Value stored = foundation::PreferencesDomain::named(kDomain)->copyValue(kKey);
  if (!stored.isNumber() || !std::isfinite(stored.toDouble())) return std::nullopt;
  return stored.toDouble();
}

void ContainerTime::record(double time) {
  if (!std::isfinite(time)) return;
  if (auto kept = latest(); kept && minuteOf(time) <= minuteOf(*kept)) return;
  auto domain = foundation::PreferencesDomain::named(kDomain);
  foundation::Error error;
  if (!domain->setValue(kKey, foundation::Value(time), &error) || !domain->synchronize(&error)) {
    log::write(log::Warning, "cannot keep the container's latest time in " + domain->path() + ": " +
                                 error.localizedDescription() + "; the next headless run may start earlier");
  }
}

}  // namespace platform::shell
