#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "platform/dispatch/ProcessEnd.h"

namespace sdk::analytics {

// Counts one request as under way from the moment it is handed to the network until its completion has
// run, or until the network lets go of a completion it never ran. One whose answer the device must keep
// (`inFlightName`) is the process end's work in flight for as long: the end waits for it within its own
// bound, after the engine's wait, so an answer that comes while the process still ends is taken.
class RequestUnderWay {
 public:
  RequestUnderWay(std::shared_ptr<std::atomic<int>> count, std::string inFlightName) : count_(std::move(count)) {
    ++*count_;
    if (!inFlightName.empty()) inFlight_ = platform::dispatch::ProcessEnd::addWorkInFlight(std::move(inFlightName));
  }
  ~RequestUnderWay() { finished(); }
  RequestUnderWay(const RequestUnderWay&) = delete;
  RequestUnderWay& operator=(const RequestUnderWay&) = delete;

  void finished() {
    if (count_) --*count_;
    count_.reset();
    inFlight_.reset();
  }

 private:
  std::shared_ptr<std::atomic<int>> count_;
  platform::dispatch::ProcessEnd::Registration inFlight_;
};

}  // namespace sdk::analytics
