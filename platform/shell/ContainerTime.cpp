#include "platform/shell/ContainerTime.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

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

  bool operator==(const StoredRecord&) const = default;
};

std::optional<StoredRecord> storedRecord() {
  auto domain = recordDomain();
  const std::optional<double> time = finiteNumber(domain->copyValue(ContainerTime::kKey));
  if (!time) return std::nullopt;
  std::optional<double> writtenAt = finiteNumber(domain->copyValue(ContainerTime::kWrittenAtKey));
  if (!writtenAt) writtenAt = modificationTime(domain->path());
  return StoredRecord{*time, writtenAt.value_or(*time)};
}

std::vector<StoredRecord> earlierRuns() {
  const foundation::Value kept = recordDomain()->copyValue(ContainerTime::kEarlierRunsKey);
  std::vector<StoredRecord> runs;
  if (!kept.isArray()) return runs;
  for (const foundation::Value& entry : *kept.array()) {
    const foundation::Array* pair = entry.array();
    if (!pair || pair->size() != 2) continue;
    const std::optional<double> time = finiteNumber((*pair)[0]);
    const std::optional<double> writtenAt = finiteNumber((*pair)[1]);
    if (time && writtenAt) runs.push_back({*time, *writtenAt});
  }
  return runs;
}

// Why a wrong clock dated the record, or nothing when the app's own runs did: they write while the
// system's clock is no more than the allowance past the real time now, and run ahead of that clock by
// no more than a lead waits can make.
std::optional<std::string> wrongClockReason(const StoredRecord& record, double realNow) {
  if (record.writtenAt > realNow + ContainerTime::kFutureAllowance) {
    return "was written by a clock more than a day past the real clock (" + dateText(realNow) + ")";
  }
  if (record.time - record.writtenAt > ContainerTime::kLongestLead) {
    return "lies more than a year ahead of the clock that wrote it (" + dateText(record.writtenAt) + ")";
  }
  return std::nullopt;
}

std::optional<double> witnessedNotAfter(const foundation::TimeWitnesses::Witness& witness, double bound) {
  std::optional<double> time = witness ? witness(bound) : std::nullopt;
  if (time && !(*time <= bound)) return std::nullopt;
  return time;
}

// The latest of what the stores witness and the earlier runs' records that a sound clock wrote.
std::optional<double> latestSoundTime(std::optional<double> witnessed, const std::vector<StoredRecord>& runs,
                                      double realNow) {
  for (const StoredRecord& run : runs) {
    if (!wrongClockReason(run, realNow) && (!witnessed || run.time > *witnessed)) witnessed = run.time;
  }
  return witnessed;
}

void warnThatTheRecordCannotBeKept(const foundation::Error& error) {
  log::write(log::Warning, "cannot keep the container's latest time in " + recordDomain()->path() + ": " +
                               error.localizedDescription() + "; the next headless run may start earlier");
}

bool writeRecord(const std::optional<double>& time, double realNow) {
  auto domain = recordDomain();
  foundation::Error error;
  const bool set = domain->setValue(ContainerTime::kKey, time ? foundation::Value(*time) : foundation::Value(), &error) &&
                   domain->setValue(ContainerTime::kWrittenAtKey, time ? foundation::Value(realNow) : foundation::Value(),
                                    &error);
  if (set && domain->synchronize(&error)) return true;
  warnThatTheRecordCannotBeKept(error);
  return false;
}

// Keeps `runs`, the newest kEarlierRunsKept of them, for a later run that must refuse a record.
void keepEarlierRuns(std::vector<StoredRecord> runs) {
  if (runs.size() > ContainerTime::kEarlierRunsKept) {
    runs.erase(runs.begin(), runs.end() - static_cast<std::ptrdiff_t>(ContainerTime::kEarlierRunsKept));
  }
  foundation::Array entries;
  for (const StoredRecord& run : runs) {
    entries.push_back(foundation::Value(foundation::Array{foundation::Value(run.time), foundation::Value(run.writtenAt)}));
  }
  auto domain = recordDomain();
  foundation::Error error;
  if (!domain->setValue(ContainerTime::kEarlierRunsKey, foundation::Value(std::move(entries)), &error) ||
      !domain->synchronize(&error)) {
    warnThatTheRecordCannotBeKept(error);
  }
}

// A record dated by a wrong clock is set back to the latest time a sound clock left in the container,
// or removed, and said so.
std::optional<double> setBackRecordFromAWrongClock(const StoredRecord& record, const std::string& reason,
                                                   double realNow, std::vector<StoredRecord> runs,
                                                   const foundation::TimeWitnesses::Witness& witness) {
  std::erase_if(runs, [realNow](const StoredRecord& run) { return wrongClockReason(run, realNow).has_value(); });
  const std::optional<double> sound =
      latestSoundTime(witnessedNotAfter(witness, realNow + ContainerTime::kFutureAllowance), runs, realNow);
  const std::string instead =
      sound ? "set back to " + dateText(*sound) + ", the latest time a sound clock left in the container" : "removed";
  log::write(log::Warning, "the container's latest time, " + dateText(record.time) + " in " + recordDomain()->path() +
                               ", " + reason + ": a wrong clock dated it, so it is not taken up and the record is " +
                               instead);
  keepEarlierRuns(std::move(runs));
  (void)writeRecord(sound, realNow);
  return sound;
}

// Without a record there is no writer's clock to judge the stores' times by: they count up to the lead
// the app's runs can make, since a lost record must not let time run back behind what they hold.
std::optional<double> standInForALostRecord(double realNow, const std::vector<StoredRecord>& runs,
                                            const foundation::TimeWitnesses::Witness& witness) {
  const std::optional<double> latest =
      latestSoundTime(witnessedNotAfter(witness, realNow + ContainerTime::kLongestLead), runs, realNow);
  if (latest) {
    log::write(log::Warning, "the container's record of its latest time, " + recordDomain()->path() +
                                 ", is missing or unreadable: time there goes on from " + dateText(*latest) +
                                 ", the latest time the container holds");
  }
  return latest;
}

}  // namespace

std::optional<double> ContainerTime::latest(double realNow, const foundation::TimeWitnesses::Witness& witness) {
  const std::optional<StoredRecord> record = storedRecord();
  std::vector<StoredRecord> runs = earlierRuns();
  if (!record) return standInForALostRecord(realNow, runs, witness);
  if (const auto reason = wrongClockReason(*record, realNow)) {
    return setBackRecordFromAWrongClock(*record, *reason, realNow, std::move(runs), witness);
  }
  // What this run starts from is an earlier run's record from now on: should this run's clock be wrong,
  // the next one falls back to it.
  if (runs.empty() || !(runs.back() == *record)) {
    runs.push_back(*record);
    keepEarlierRuns(std::move(runs));
  }
  // The stores' times are bounded as the record is: past the lead the app's runs made, by the allowance.
  const double bound = std::max(realNow, record->time) + kFutureAllowance;
  const std::optional<double> witnessed = witnessedNotAfter(witness, bound);
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
