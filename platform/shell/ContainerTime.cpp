#include "platform/shell/ContainerTime.h"

#include <cmath>

#include "platform/foundation/PreferencesDomain.h"
#include "platform/foundation/SystemClock.h"
#include "platform/foundation/TimeWitnesses.h"
#include "platform/log/Log.h"

namespace platform::shell {

namespace {

constexpr double kMinute = 60;

double minuteOf(double time) { return std::floor(time / kMinute); }

std::string dateText(double time) { return foundation::Value::date(time).description(); }

std::optional<double> storedRecord() {
  const foundation::Value stored = foundation::PreferencesDomain::named(ContainerTime::kDomain)->copyValue(ContainerTime::kKey);
  if (!stored.isNumber() || !std::isfinite(stored.toDouble())) return std::nullopt;
  return stored.toDouble();
}

bool writeRecord(const std::optional<double>& time) {
  auto domain = foundation::PreferencesDomain::named(ContainerTime::kDomain);
  foundation::Error error;
  if (domain->setValue(ContainerTime::kKey, time ? foundation::Value(*time) : foundation::Value(), &error) &&
      domain->synchronize(&error)) {
    return true;
  }
  log::write(log::Warning, "cannot keep the container's latest time in " + domain->path() + ": " +
                               error.localizedDescription() + "; the next headless run may start earlier");
  return false;
}

// A record dated by a wrong clock is set back to what the stores witness, or removed, and said so.
void setBackRecordFromTheFuture(double record, double realNow, std::optional<double> witnessed) {
  const std::string path = foundation::PreferencesDomain::named(ContainerTime::kDomain)->path();
  const std::string instead =
      witnessed ? "set back to " + dateText(*witnessed) + ", the latest time the container's stores hold" : "removed";
  log::write(log::Warning, "the container's latest time, " + dateText(record) + " in " + path +
                               ", lies more than a day past the real clock (" + dateText(realNow) +
                               "): a wrong clock dated it, so it is not taken up and the record is " + instead);
  (void)writeRecord(witnessed);
}

}  // namespace

std::optional<double> ContainerTime::latest(double realNow, std::optional<double> witnessed) {
  const double bound = realNow + kFutureAllowance;
  if (witnessed && !(*witnessed <= bound)) witnessed.reset();
  std::optional<double> record = storedRecord();
  if (record && *record > bound) {
    setBackRecordFromTheFuture(*record, realNow, witnessed);
    record = witnessed;
  }
  if (!record || (witnessed && *witnessed > *record)) return witnessed;
  return record;
}

std::optional<double> ContainerTime::latest(double realNow) {
  return latest(realNow, foundation::TimeWitnesses::latestNotAfter(realNow + kFutureAllowance));
}

void ContainerTime::record(double time) {
  if (!std::isfinite(time)) return;
  if (auto kept = storedRecord(); kept && minuteOf(time) <= minuteOf(*kept)) return;
  (void)writeRecord(time);
}

double ContainerTime::firstTimeAfter(double latest) { return (minuteOf(latest) + 1) * kMinute; }

std::shared_ptr<foundation::Clock> ContainerTime::realClockFor(double realNow, std::optional<double> latest) {
  const double lead = latest ? firstTimeAfter(*latest) - realNow : 0;
  if (!(lead > 0)) return foundation::Clock::system();
  return std::make_shared<foundation::SystemClock>(lead);
}

}  // namespace platform::shell
