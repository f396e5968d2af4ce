#pragma once

// Shared by the network client tests: a logger delegate that keeps the message codes it was given.

#include <algorithm>
#include <mutex>
#include <vector>

#include "sdk/utilities/HTTPClientLoggerDelegate.h"

namespace ostrel::testing {

class LoggedHTTPClientCodes : public sdk::utilities::HTTPClientLoggerDelegate {
 public:
  void logWithLevel(sdk::utilities::HTTPClientLogLevel, std::int64_t code, const std::string&,
                               const platform::foundation::Array&) override {
    keep(code);
  }
  void logWithLevel(sdk::utilities::HTTPClientLogLevel, std::int64_t code, const std::string&,
                               const platform::foundation::Value&) override {
    keep(code);
  }
  void logWithLevel(sdk::utilities::HTTPClientLogLevel, std::int64_t code, const std::string&) override { keep(code); }

  int count(std::int64_t code) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count(codes_.begin(), codes_.end(), code));
  }

 private:
  void keep(std::int64_t code) {
    std::lock_guard lock(mutex_);
    codes_.push_back(code);
  }
  mutable std::mutex mutex_;
  std::vector<std::int64_t> codes_;
};

}  // namespace ostrel::testing
