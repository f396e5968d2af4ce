#include "sdk/analytics/foundation/APMErrorEvent.h"

#include <mutex>

#include "platform/foundation/Utf8.h"

using platform::foundation::Utf8;
using platform::foundation::Value;

namespace {

std::mutex& handlerMutex() {
  static std::mutex mutex;
  return mutex;
}

APMErrorEventHandler& handlerSlot() {
  static APMErrorEventHandler handler;
  return handler;
}

void raise(APMParameters parameters) {
  APMErrorEventHandler handler;
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

APMErrorEventHandler APMSetErrorEventHandler(APMErrorEventHandler handler) {
  std::lock_guard lock(handlerMutex());
  std::swap(handlerSlot(), handler);
  return handler;
}

void APMLogErrorEvent(std::int64_t code) {
  if (code == 0) return;
  raise({{"_err", APMValue(code)}});
}

void APMLogErrorEventWithValue(std::int64_t code, const std::string& name, std::size_t limit,
                               const std::optional<Value>& value) {
  if (code == 0) return;
  APMParameters parameters{{"_err", APMValue(code)}};
  std::string shown = Utf8::length(name) > limit ? Utf8::substring(name, 0, limit) + "..." : name;
  parameters.emplace("_ev", APMValue(std::move(shown)));
  if (value && !value->isNil()) {
    std::size_t length = value->isString() ? Utf8::length(*value->string()) : kindName(*value).size();
    if (code == 4 || code == 7 || length > limit) {
      parameters.emplace("_el", APMValue(static_cast<std::int64_t>(length)));
    }
  }
  raise(std::move(parameters));
}
