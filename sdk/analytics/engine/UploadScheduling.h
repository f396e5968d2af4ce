#pragma once

namespace sdk::analytics {

// What a stored event asks of the way out: the upload schedule brought up to date (the alarm armed
// for the newest data, or cancelled when nothing waits). The uploader keeps the schedule and is handed
// to the event handler as this; the event path's tests record the calls instead.
class UploadScheduling {
 public:
  virtual ~UploadScheduling() = default;
  // Worker queue only.
  virtual void updateSchedule() = 0;
};

}  // namespace sdk::analytics
