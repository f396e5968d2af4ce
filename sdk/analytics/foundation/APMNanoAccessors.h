#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
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

// In-place reads: nothing is copied, and the answer stays valid while `message` and that field are
// left unchanged. The audience filters read this way on every event.
inline const std::string* APMNanoStringIn(const APMNanoMessage& message, int index) {
  const APMNanoField& field = message.field(index);
  if (field.repeated || (field.kind != APMNanoKind::String && field.kind != APMNanoKind::Bytes)) return nullptr;
  const auto& values = message.values(index);
  return values.empty() ? nullptr : std::get_if<std::string>(&values.front());
}
inline const APMNanoMessage* APMNanoMessageBaseIn(const APMNanoMessage& message, int index) {
  const APMNanoField& field = message.field(index);
  if (field.repeated || field.kind != APMNanoKind::Message) return nullptr;
  const auto& values = message.values(index);
  const auto* child = values.empty() ? nullptr : std::get_if<std::shared_ptr<APMNanoMessage>>(&values.front());
  return child ? child->get() : nullptr;
}
// The sub-message as `T`, nullptr when absent or of another kind. Sub-messages of a typed kind are
// always made as their typed class (APMNanoDescriptor::of), which makes the cast sound.
template <typename T>
const T* APMNanoMessageIn(const APMNanoMessage& message, int index) {
  const APMNanoMessage* child = APMNanoMessageBaseIn(message, index);
  return child && &child->descriptor() == &T::descriptor() ? static_cast<const T*>(child) : nullptr;
}

// The elements of a repeated message field that are of kind `T`, in place, for a range-for.
template <typename T>
class APMNanoMessagesView {
 public:
  using Values = std::vector<APMNanoMessage::Scalar>;

  class Iterator {
   public:
    Iterator(Values::const_iterator at, Values::const_iterator end) : at_(at), end_(end) { skipOthers(); }
    const T& operator*() const { return static_cast<const T&>(**std::get_if<std::shared_ptr<APMNanoMessage>>(&*at_)); }
    Iterator& operator++() {
      ++at_;
      skipOthers();
      return *this;
    }
    bool operator==(const Iterator& other) const { return at_ == other.at_; }

   private:
    void skipOthers() {
      while (at_ != end_) {
        const auto* element = std::get_if<std::shared_ptr<APMNanoMessage>>(&*at_);
        if (element && *element && &(*element)->descriptor() == &T::descriptor()) return;
        ++at_;
      }
    }
    Values::const_iterator at_, end_;
  };

  explicit APMNanoMessagesView(const Values& values) : values_(values) {}
  Iterator begin() const { return Iterator(values_.begin(), values_.end()); }
  Iterator end() const { return Iterator(values_.end(), values_.end()); }
  bool empty() const { return begin() == end(); }

 private:
  const Values& values_;
};

template <typename T>
APMNanoMessagesView<T> APMNanoMessagesIn(const APMNanoMessage& message, int index) {
  return APMNanoMessagesView<T>(message.values(index));
}

// The sub-message as a new wrapper (a copy), nullptr when absent.
std::shared_ptr<APMNanoMessage> APMNanoGetMessageBase(const APMNanoMessage& message, int index);
template <typename T>
std::shared_ptr<T> APMNanoGetMessage(const APMNanoMessage& message, int index) {
  const T* child = APMNanoMessageIn<T>(message, index);
  return child ? std::static_pointer_cast<T>(child->clone()) : nullptr;
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
  for (const T& element : APMNanoMessagesIn<T>(message, index)) {
    out.push_back(std::static_pointer_cast<T>(element.clone()));
  }
  return out;
}
// Throws platform::foundation::Exception unless field `index` is a repeated field of `kind` messages.
void APMNanoCheckMessageArrayField(const APMNanoMessage& message, int index, const APMNanoDescriptor& kind);

// Stores the elements themselves, not copies (null elements are skipped): for messages made for this
// field alone, which nothing else changes afterwards. A bundle's thousand events are not copied again.
template <typename T>
void APMNanoAdoptMessageArray(APMNanoMessage& message, int index, std::vector<std::shared_ptr<T>> values) {
  APMNanoCheckMessageArrayField(message, index, T::descriptor());
  auto& stored = message.values(index);
  stored.clear();
  stored.reserve(values.size());
  for (auto& value : values) {
    if (value) stored.push_back(std::shared_ptr<APMNanoMessage>(std::move(value)));
  }
}

// Stores copies of the elements (null elements are skipped).
template <typename T>
void APMNanoSetMessageArray(APMNanoMessage& message, int index, const std::vector<std::shared_ptr<T>>& values) {
  APMNanoClearField(message, index);
  for (const auto& value : values) {
    if (value) APMNanoAddMessage(message, index, *value);
  }
}
