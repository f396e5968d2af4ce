#pragma once

#include <cstdint>

namespace sdk::analytics {

// What decides the next upload: times are seconds since 1970, 0 meaning none.
struct UploadTimeInputs {
  double now = 0;
  double lastSuccessfulUpload = 0;
  double lastFailedUpload = 0;
  // The newest stored data: the latest raw event or queued bundle end.
  double newestDataTime = 0;
  bool realtime = false;
  bool debug = false;
  double uploadInterval = 3600;
  double realtimeInterval = 10;
  double initialDelay = 15;
  double debugInterval = 1;
  std::int32_t retryCount = 6;
  double retryInterval = 1800;
};

// When the next upload is due, 0 when none is. After a failure since the data was written the next
// time follows a doubling retry series; once the series is spent, nothing is due until new data or a
// success moves the inputs.
double nextUploadingTimeFor(const UploadTimeInputs& in);

}  // namespace sdk::analytics

