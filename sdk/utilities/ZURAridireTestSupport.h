#pragma once

// Shared by the network client tests: a logger delegate that keeps the message codes it was given.

#include <algorithm>
#include <mutex>
#include <vector>

#include "sdk/utilities/ZURAridireLoggerDelegate.h"

namespace ostrel::testing {

class ZURLoggedCodes : public ZURAridireLoggerDelegate {
 public:
  void ZURAridire_logWithLevel(ZURAridireLogLevel, std::int64_t code, const std::string&,
                               const platform::foundation::Array&) override {
    keep(code);
  }
  void ZURAridire_logWithLevel(ZURAridireLogLevel, std::int64_t code, const std::string&,
                               const platform::foundation::Value&) override {
    keep(code);
  }
  void ZURAridire_logWithLevel(ZURAridireLogLevel, std::int64_t code, const std::string&) override { keep(code); }

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
