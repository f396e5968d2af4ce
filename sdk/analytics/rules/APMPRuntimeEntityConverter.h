#pragma once

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/APMPBProgram.h"
#include "sdk/analytics/rules/APMPRuntimeValue.h"

class APMPMapValue;

// Program entities to script values, and script values to and from plain values.
struct APMPRuntimeEntityConverter {
  static APMPValueRef stringValueFromRuntimeEntity(const APMNanoMessage& entity, APMPHeap& heap);
  static APMPValueRef numberValueFromRuntimeEntity(const APMNanoMessage& entity, APMPHeap& heap);
  static APMPValueRef booleanValueFromRuntimeEntity(const APMNanoMessage& entity);
  static APMPValueRef statementValueFromRuntimeEntity(const APMNanoMessage& entity, APMPHeap& heap, APMPError& error);
  static APMPValueRef runtimeValueFromRuntimeEntity(const APMNanoMessage& entity, APMPHeap& heap, APMPError& error);

  // Nil gives null; strings, numbers (booleans stay booleans), dictionaries and arrays convert;
  // anything else is error 13.
  static APMPValueRef runtimeValueFromNSObject(const platform::foundation::Value& object, APMPHeap& heap,
                                               APMPError& error);
  // Null gives nil; undefined ""; maps and arrays convert element by element; anything else its
  // number when that is not NaN, else its text. One conversion writes at most the runtime's
  // conversion budget (elements and bytes), error 18 beyond it; `bytesWritten` receives what it wrote.
  static platform::foundation::Value objectFromRuntimeValue(const APMPRuntimeValue& value, APMPError& error,
                                                            std::size_t* bytesWritten = nullptr);
  static platform::foundation::Dictionary dictionaryFromMapValue(const APMPMapValue& map, APMPError& error,
                                                                 std::size_t* bytesWritten = nullptr);
};
