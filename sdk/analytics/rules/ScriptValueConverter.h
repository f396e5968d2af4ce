#pragma once

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/ProtoProgramMessages.h"
#include "sdk/analytics/rules/ScriptValue.h"

namespace sdk::analytics {

class ScriptMapValue;

// Program entities to script values, and script values to and from plain values.
struct ScriptValueConverter {
  static ScriptValueRef stringValueFromRuntimeEntity(const NanoMessage& entity, ScriptHeap& heap);
  static ScriptValueRef numberValueFromRuntimeEntity(const NanoMessage& entity, ScriptHeap& heap);
  static ScriptValueRef booleanValueFromRuntimeEntity(const NanoMessage& entity);
  static ErrorOr<ScriptValueRef> statementValueFromRuntimeEntity(const NanoMessage& entity, ScriptHeap& heap);
  static ErrorOr<ScriptValueRef> runtimeValueFromRuntimeEntity(const NanoMessage& entity, ScriptHeap& heap);

  // Nil gives null; strings, numbers (booleans stay booleans), dictionaries and arrays convert;
  // anything else is error 13.
  static ErrorOr<ScriptValueRef> runtimeValueFromNSObject(const platform::foundation::Value& object, ScriptHeap& heap);
  // Null gives nil; undefined ""; maps and arrays convert element by element; anything else its
  // number when that is not NaN, else its text. One conversion writes at most the runtime's
  // conversion budget (elements and bytes), error 18 beyond it; `bytesWritten` receives what it wrote.
  static ErrorOr<platform::foundation::Value> objectFromRuntimeValue(const ScriptValue& value,
                                                                     std::size_t* bytesWritten = nullptr);
  static ErrorOr<platform::foundation::Dictionary> dictionaryFromMapValue(const ScriptMapValue& map,
                                                                          std::size_t* bytesWritten = nullptr);
};

}  // namespace sdk::analytics

