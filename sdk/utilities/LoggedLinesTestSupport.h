#pragma once

// What the SDK logger wrote during a test: the logger starts fresh at `level` and is fresh again after.

#include <string>
#include <vector>

#include "platform/log/Log.h"
#include "sdk/utilities/Logger.h"

namespace ostrel::testing {

class LoggedLines {
 public:
  explicit LoggedLines(int level = sdk::utilities::kLoggerLevelNotice) {
    sdk::utilities::resetLoggerForTesting();
    if (level != sdk::utilities::kLoggerLevelNotice) sdk::utilities::setLoggerLevel(level);
  }
  ~LoggedLines() {
    sdk::utilities::flushLogger();
    sdk::utilities::resetLoggerForTesting();
  }

  // Every line so far, once the logger's queue has delivered them.
  std::vector<platform::log::Line> lines() const {
    sdk::utilities::flushLogger();
    return captured_.lines();
  }
  // The texts of the SDK logger's own lines.
  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    for (const auto& line : lines()) {
      if (line.facility == sdk::utilities::kLoggerFacility) out.push_back(line.message);
    }
    return out;
  }
  bool contains(const std::string& fragment) const {
    sdk::utilities::flushLogger();
    return captured_.contains(fragment);
  }

 private:
  platform::log::CapturedLines captured_;
};

}  // namespace ostrel::testing
