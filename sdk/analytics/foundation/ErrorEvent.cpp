#include "sdk/analytics/foundation/ErrorEvent.h"

#include <mutex>

#include "platform/foundation/Utf8.h"

namespace sdk::analytics {

using platform::foundation::Utf8;
using platform::foundation::Value;

namespace {

std::mutex& handlerMutex() {
  static std::mutex mutex;
  return mutex;
}

ErrorEventHandler& handlerSlot() {
  static ErrorEventHandler handler;
  return handler;
}

void raise(Parameters parameters) {
  ErrorEventHandler handler;
  {
    std::lock_guard lock(handlerMutex());
    handler = handlerSlot();
  }
  if (handler) handler("auto", "_err", parameters);
}

std::string kindName(const Value& value) {
  switch (value.type()) {
    case Value::Type::Bool:
    case Value::Type::Integer:
    case Value::Type::Real:
      return "Number";
    case Value::Type::Data:
      return "Data";
    case Value::Type::Date:
      return "Date";
    case Value::Type::Array:
      return "Array";
    case Value::Type::Dictionary:
      return "Dictionary";
    case Value::Type::Null:
      return "Null";
    default:
      return "Object";
  }
}

}  // namespace

ErrorEventHandler setErrorEventHandler(ErrorEventHandler handler) {
  std::lock_guard lock(handlerMutex());
  std::swap(handlerSlot(), handler);
  return handler;
}

void logErrorEvent(std::int64_t code) {
  if (code == 0) return;
  raise({{"_err", AnalyticsValue(code)}});
}

void logErrorEventWithValue(std::int64_t code, const std::string& name, std::size_t limit,
                               const std::optional<Value>& value) {
  if (code == 0) return;
  Parameters parameters{{"_err", AnalyticsValue(code)}};
  std::string shown = Utf8::length(name) > limit ? Utf8::substring(name, 0, limit) + "..." : name;
  parameters.emplace("_ev", AnalyticsValue(std::move(shown)));
  if (value && !value->isNil()) {
    std::size_t length = value->isString() ? Utf8::length(*value->string()) : kindName(*value).size();
    if (code == 4 || code == 7 || length > limit) {
      parameters.emplace("_el", AnalyticsValue(static_cast<std::int64_t>(length)));
    }
  }
  raise(std::move(parameters));
}

}  // namespace sdk::analytics

