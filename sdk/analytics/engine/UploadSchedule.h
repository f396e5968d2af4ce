#pragma once

#include <memory>
#include <string>

#include "sdk/analytics/engine/RawEventBundler.h"
#include "sdk/analytics/engine/UploadTime.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"

namespace sdk::analytics {

class Alarm;

// What the uploader's schedule reads and reckons: what the stored data holds, when the next upload is
// due for it, the back-off the service asked for, and when the next attempt comes, in the person's
// words. It arms nothing: the uploader decides and arms the alarm.
class UploadSchedule {
 public:
  // Both are the uploader's own, and outlive this.
  UploadSchedule(const RawEventBundler::Parts& parts, const std::shared_ptr<Alarm>& alarm)
      : parts_(parts), alarm_(alarm) {}

  // What the schedule asks of the stored data, in one read; only when that read fails is each question
  // asked alone, so that what can still be read keeps the schedule going.
  MeasurementDatabase::StoredDataSummary storedData();
  // When the next upload is due for `stored`; 0 for no time.
  double nextUploadingTime(const MeasurementDatabase::StoredDataSummary& stored);
  // `t`, or the end of the back-off a 503 or 429 started when that is later.
  double afterBackoff(double t, double current) const;
  // When the next attempt comes, all that can bring it: the alarm, a new event, the app's leaving.
  std::string nextAttemptText();

 private:
  // What the schedule asks of the stored data, one read per question: each failure is logged at its
  // question and counts as no answer.
  MeasurementDatabase::StoredDataSummary storedDataOneReadEach();
  // What the upload time is decided from, with `stored` as the newest data.
  UploadTimeInputs uploadTimeInputs(const MeasurementDatabase::StoredDataSummary& stored) const;

  const RawEventBundler::Parts& parts_;
  const std::shared_ptr<Alarm>& alarm_;
};

}  // namespace sdk::analytics
