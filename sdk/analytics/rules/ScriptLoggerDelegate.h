#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sdk::analytics {

// Where script log lines go.
class ScriptLoggerDelegate {
 public:
  virtual ~ScriptLoggerDelegate() = default;
  virtual void logWithLevel(std::int64_t level, const std::string& message, const std::vector<std::string>& contexts,
                            bool silent, bool monitored) = 0;
};

}  // namespace sdk::analytics
