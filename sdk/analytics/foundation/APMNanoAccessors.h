#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/APMNanoMessage.h"

// Field access by 0-based index. Getters answer the absent-field value (nothing, 0, false, nullptr)
// for an absent field and for a field of another kind; setters throw
// platform::foundation::Exception for a field of another kind, and every accessor for an index out
// of range. A repeated field always counts as present.
//
// Integer accessors serve the signed and unsigned kinds alike; 32-bit getters truncate, as a 32-bit
// field of the other signedness is read on the phone.

bool APMNanoHasField(const APMNanoMessage& message, int index);
void APMNanoClearField(APMNanoMessage& message, int index);

std::optional<std::string> APMNanoGetString(const APMNanoMessage& message, int index);
// Nothing clears the field.
void APMNanoSetString(APMNanoMessage& message, int index, std::optional<std::string> value);
std::int32_t APMNanoGetInt32(const APMNanoMessage& message, int index);
void APMNanoSetInt32(APMNanoMessage& message, int index, std::int32_t value);
std::int64_t APMNanoGetInt64(const APMNanoMessage& message, int index);
void APMNanoSetInt64(APMNanoMessage& message, int index, std::int64_t value);
double APMNanoGetDouble(const APMNanoMessage& message, int index);
void APMNanoSetDouble(APMNanoMessage& message, int index, double value);
bool APMNanoGetBool(const APMNanoMessage& message, int index);
void APMNanoSetBool(APMNanoMessage& message, int index, bool value);

// The sub-message as a new wrapper (a copy), nullptr when absent.
std::shared_ptr<APMNanoMessage> APMNanoGetMessageBase(const APMNanoMessage& message, int index);
template <typename T>
std::shared_ptr<T> APMNanoGetMessage(const APMNanoMessage& message, int index) {
  auto base = APMNanoGetMessageBase(message, index);
  return base ? T::copyOf(*base) : nullptr;
}
// Stores a copy; nullptr clears the field.
void APMNanoSetMessage(APMNanoMessage& message, int index, const APMNanoMessage* value);

// A repeated scalar field as numbers (booleans as bools), strings, or data for bytes fields.
platform::foundation::Array APMNanoGetArray(const APMNanoMessage& message, int index);
void APMNanoSetArray(APMNanoMessage& message, int index, const platform::foundation::Array& values);

// Appends a copy of `value` to a repeated message field.
void APMNanoAddMessage(APMNanoMessage& message, int index, const APMNanoMessage& value);

// A repeated message field as copies of the given class.
template <typename T>
std::vector<std::shared_ptr<T>> APMNanoGetMessageArray(const APMNanoMessage& message, int index) {
  std::vector<std::shared_ptr<T>> out;
  for (const auto& value : message.values(index)) {
    if (const auto* element = std::get_if<std::shared_ptr<APMNanoMessage>>(&value); element && *element) {
      if (auto copy = T::copyOf(**element)) out.push_back(std::move(copy));
    }
  }
  return out;
}
// Stores copies of the elements (null elements are skipped).
template <typename T>
void APMNanoSetMessageArray(APMNanoMessage& message, int index, const std::vector<std::shared_ptr<T>>& values) {
  APMNanoClearField(message, index);
  for (const auto& value : values) {
    if (value) APMNanoAddMessage(message, index, *value);
  }
}
