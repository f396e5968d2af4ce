#include "platform/shell/ContainerTime.h"

#include <sys/stat.h>

#include <algorithm>
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

std::shared_ptr<foundation::PreferencesDomain> recordDomain() {
  return foundation::PreferencesDomain::named(ContainerTime::kDomain);
}

std::optional<double> finiteNumber(const foundation::Value& value) {
  if (!value.isNumber() || !std::isfinite(value.toDouble())) return std::nullopt;
  return value.toDouble();
}

// When the file was last written, by the system's clock: a record kept before the writing time was
// stored beside it has no better witness of the real time it was written at.
std::optional<double> modificationTime(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  return static_cast<double>(status.st_mtim.tv_sec) + static_cast<double>(status.st_mtim.tv_nsec) / 1e9;
}

struct StoredRecord {
  double time;
  double writtenAt;  // by the writer's system clock
};

std::optional<StoredRecord> storedRecord() {
  auto domain = recordDomain();
  const std::optional<double> time = finiteNumber(domain->copyValue(ContainerTime::kKey));
  if (!time) return std::nullopt;
  std::optional<double> writtenAt = finiteNumber(domain->copyValue(ContainerTime::kWrittenAtKey));
  if (!writtenAt) writtenAt = modificationTime(domain->path());
  return StoredRecord{*time, writtenAt.value_or(*time)};
}

// Time the app's own runs made: written while the system's clock was no more than the allowance past the
// real time now, and ahead of that clock by no more than a lead waits can make.
bool isOwnTime(const StoredRecord& record, double realNow) {
  return record.writtenAt <= realNow + ContainerTime::kFutureAllowance &&
         record.time - record.writtenAt <= ContainerTime::kLongestLead;
}

std::optional<double> witnessedNotAfter(const foundation::TimeWitnesses::Witness& witness, double bound) {
  std::optional<double> time = witness ? witness(bound) : std::nullopt;
  if (time && !(*time <= bound)) return std::nullopt;
  return time;
}

bool writeRecord(const std::optional<double>& time, double realNow) {
  auto domain = recordDomain();
  foundation::Error error;
  const bool set = domain->setValue(ContainerTime::kKey, time ? foundation::Value(*time) : foundation::Value(), &error) &&
                   domain->setValue(ContainerTime::kWrittenAtKey, time ? foundation::Value(realNow) : foundation::Value(),
                                    &error);
  if (set && domain->synchronize(&error)) return true;
  log::write(log::Warning, "cannot keep the container's latest time in " + domain->path() + ": " +
                               error.localizedDescription() + "; the next headless run may start earlier");
  return false;
}

// A record dated by a wrong clock is set back to what the stores witness, or removed, and said so.
void setBackRecordFromAWrongClock(double record, double realNow, std::optional<double> witnessed) {
  const std::string instead =
      witnessed ? "set back to " + dateText(*witnessed) + ", the latest time the container's stores hold" : "removed";
  log::write(log::Warning, "the container's latest time, " + dateText(record) + " in " + recordDomain()->path() +
                               ", lies more than a day past the real clock (" + dateText(realNow) +
                               "): a wrong clock dated it, so it is not taken up and the record is " + instead);
  (void)writeRecord(witnessed, realNow);
}

}  // namespace

std::optional<double> ContainerTime::latest(double realNow, const foundation::TimeWitnesses::Witness& witness) {
  const std::optional<StoredRecord> record = storedRecord();
  if (record && !isOwnTime(*record, realNow)) {
    const std::optional<double> witnessed = witnessedNotAfter(witness, realNow + kFutureAllowance);
    setBackRecordFromAWrongClock(record->time, realNow, witnessed);
    return witnessed;
  }
  // The stores' times are bounded as the record is: past the lead the app's runs made, by the allowance.
  const double bound = std::max(realNow, record ? record->time : realNow) + kFutureAllowance;
  const std::optional<double> witnessed = witnessedNotAfter(witness, bound);
  if (!record) return witnessed;
  return witnessed ? std::max(record->time, *witnessed) : record->time;
}

std::optional<double> ContainerTime::latest(double realNow) { return latest(realNow, &foundation::TimeWitnesses::latestNotAfter); }

void ContainerTime::record(double time) { record(time, foundation::Clock::system()->now()); }

void ContainerTime::record(double time, double realNow) {
  if (!std::isfinite(time)) return;
  if (auto kept = storedRecord(); kept && minuteOf(time) <= minuteOf(kept->time)) return;
  (void)writeRecord(time, realNow);
}

double ContainerTime::firstTimeAfter(double latest) { return (minuteOf(latest) + 1) * kMinute; }

std::shared_ptr<foundation::Clock> ContainerTime::realClockFor(double realNow, std::optional<double> latest) {
  const double lead = latest ? firstTimeAfter(*latest) - realNow : 0;
  if (!(lead > 0)) return foundation::Clock::system();
  return std::make_shared<foundation::SystemClock>(lead);
}

}  // namespace platform::shell
