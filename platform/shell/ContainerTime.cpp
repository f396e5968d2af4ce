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

// A record further ahead of the clock that wrote it than waits can take a run is a damaged number,
// whatever clock reads it.
bool isDamaged(const StoredRecord& record) { return record.time - record.writtenAt > ContainerTime::kLongestLead; }

// A record whose writer's clock read more than the allowance past this run's clock lies in this clock's
// future: either its writer's clock was set ahead or this one is set back, and this run cannot tell
// which. It neither goes on from such a record nor erases it.
bool liesInTheFutureOf(const StoredRecord& record, double realNow) {
  return record.writtenAt > realNow + ContainerTime::kFutureAllowance;
}

bool isSoundFor(const StoredRecord& record, double realNow) {
  return !isDamaged(record) && !liesInTheFutureOf(record, realNow);
}

std::optional<double> witnessedNotAfter(const foundation::TimeWitnesses::Witness& witness, double bound) {
  std::optional<double> time = witness ? witness(bound) : std::nullopt;
  if (time && !(*time <= bound)) return std::nullopt;
  return time;
}

// The latest of `witnessed` and the records that a run on `realNow` can take for sound.
std::optional<double> latestSoundTime(std::optional<double> witnessed, const std::vector<StoredRecord>& records,
                                      double realNow) {
  for (const StoredRecord& record : records) {
    if (isSoundFor(record, realNow) && (!witnessed || record.time > *witnessed)) witnessed = record.time;
  }
  return witnessed;
}

// The records a later run may fall back to, whatever its clock. A run takes the latest of the records
// written no more than a day past its own clock, so a record is of use only while no record written
// before it holds as late a time; damaged ones are of no use to any run. Past kEarlierRunsKept, the
// records written within a day of the next one give way, oldest first: they only tell apart runs whose
// clocks are a day or more wrong. The last record before each gap of more than a day stays, so that
// starts on a clock set wrong, however many, never push out the newest record a right clock left.
std::vector<StoredRecord> recordsWorthKeeping(std::vector<StoredRecord> records) {
  std::erase_if(records, isDamaged);
  std::sort(records.begin(), records.end(), [](const StoredRecord& a, const StoredRecord& b) {
    return a.writtenAt < b.writtenAt || (a.writtenAt == b.writtenAt && a.time > b.time);
  });
  std::vector<StoredRecord> kept;
  for (const StoredRecord& record : records) {
    if (kept.empty() || record.time > kept.back().time) kept.push_back(record);
  }
  while (kept.size() > ContainerTime::kEarlierRunsKept) {
    auto given = kept.begin();
    for (auto next = kept.begin() + 1; next != kept.end(); ++next) {
      if (next->writtenAt - (next - 1)->writtenAt <= ContainerTime::kFutureAllowance) {
        given = next - 1;
        break;
      }
    }
    kept.erase(given);
  }
  return kept;
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

// Keeps what of `runs` is worth keeping (see recordsWorthKeeping), for a later run that cannot take up
// the latest record; writes only when that changes what is stored.
void keepEarlierRuns(std::vector<StoredRecord> runs, const std::vector<StoredRecord>& stored) {
  runs = recordsWorthKeeping(std::move(runs));
  if (runs == stored) return;
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

// A latest record this run cannot take up (`why`): the record goes on from the latest time a sound
// clock left in the container, as this run's clock judges, or is removed; a damaged one is dropped, one
// that lies in this clock's future is kept among the earlier runs' records for a run on a right clock.
std::optional<double> replaceRecordNotTakenUp(const StoredRecord& record, const std::string& why, double realNow,
                                              const std::vector<StoredRecord>& stored,
                                              const foundation::TimeWitnesses::Witness& witness) {
  std::vector<StoredRecord> runs = stored;
  runs.push_back(record);
  keepEarlierRuns(runs, stored);
  const std::optional<double> sound =
      latestSoundTime(witnessedNotAfter(witness, realNow + ContainerTime::kFutureAllowance), runs, realNow);
  const std::string instead =
      sound ? "set back to " + dateText(*sound) + ", the latest time a sound clock left in the container"
            : "removed, and this run goes on from its own clock";
  log::write(log::Warning, "the container's latest time, " + dateText(record.time) + " in " + recordDomain()->path() +
                               ", " + why + "; the record is " + instead);
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
  const std::vector<StoredRecord> runs = earlierRuns();
  if (!record) return standInForALostRecord(realNow, runs, witness);
  if (isDamaged(*record)) {
    return replaceRecordNotTakenUp(*record,
                                   "lies more than a year ahead of the clock that wrote it (" +
                                       dateText(record->writtenAt) + "): a wrong clock dated it, so it is not taken up",
                                   realNow, runs, witness);
  }
  if (liesInTheFutureOf(*record, realNow)) {
    return replaceRecordNotTakenUp(
        *record,
        "was written when the system's clock read " + dateText(record->writtenAt) +
            ", more than a day past this run's clock (" + dateText(realNow) +
            "): one of the two clocks is wrong and this run cannot tell which, so it does not go on from that time; "
            "it is kept for the next run on a right clock",
        realNow, runs, witness);
  }
  // What this run starts from is an earlier run's record from now on: should this run's clock be wrong,
  // the next one falls back to it.
  std::vector<StoredRecord> withRecord = runs;
  withRecord.push_back(*record);
  keepEarlierRuns(withRecord, runs);
  const double sound = latestSoundTime(record->time, runs, realNow).value_or(record->time);
  // The stores' times are bounded as the record is: past the lead the app's runs made, by the allowance.
  const double bound = std::max(realNow, sound) + kFutureAllowance;
  const std::optional<double> witnessed = witnessedNotAfter(witness, bound);
  return witnessed ? std::max(sound, *witnessed) : sound;
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
