#include "sdk/analytics/foundation/GuardedDispatch.h"

#include <exception>

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/Monitor.h"

namespace sdk::analytics {

using platform::foundation::Value;

namespace {

void logException(const GuardedDispatch::OnException& onException, const char* what) {
  Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, onException.messageCode, onException.message,
                                  Value(what));
}

}  // namespace

void GuardedDispatch::run(const std::function<void()>& block, const OnException& onException) {
  try {
    block();
  } catch (const std::exception& exception) {
    logException(onException, exception.what());
    if (onException.thrown == Thrown::kPassedOn) throw;
  } catch (...) {
    logException(onException, "unknown exception");
    if (onException.thrown == Thrown::kPassedOn) throw;
  }
}

void GuardedDispatch::async(platform::dispatch::Queue& queue, std::function<void()> block, OnException onException) {
  onException.thrown = Thrown::kSwallowed;
  queue.async([block = std::move(block), onException = std::move(onException)] { run(block, onException); });
}

void GuardedDispatch::sync(platform::dispatch::Queue& queue, const std::function<void()>& block,
                           const OnException& onException) {
  queue.sync([&] { run(block, onException); });
}

}  // namespace sdk::analytics
