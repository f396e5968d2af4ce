#include "sdk/analytics/rules/MonitorScriptLogger.h"

#include "sdk/analytics/foundation/Monitor.h"

namespace sdk::analytics {

int MonitorScriptLogger::monitorLevel(std::int64_t level, bool silent, bool monitored) {
  switch (level) {
    case 2: return 8;
    case 3: return 7;
    case 5: return silent ? 5 : (monitored ? 4 : 3);
    case 6: return silent ? 2 : (monitored ? 1 : 0);
    default: return 6;
  }
}

void MonitorScriptLogger::logWithLevel(std::int64_t level, const std::string& message,
                                  const std::vector<std::string>& contexts, bool silent, bool monitored) {
  auto monitor = host_ ? host_->monitor() : nullptr;
  if (!monitor) return;
  std::vector<platform::foundation::Value> values(contexts.begin(), contexts.end());
  monitor->logWithLevelContexts(static_cast<LogLevel>(monitorLevel(level, silent, monitored)), kMessageCode, message, values);
}

}  // namespace sdk::analytics

