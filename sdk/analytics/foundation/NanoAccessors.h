#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/NanoMessage.h"

// Field access by 0-based index. Getters answer the absent-field value (nothing, 0, false, nullptr)
// for an absent field and for a field of another kind; setters throw
// platform::foundation::Exception for a field of another kind, and every accessor for an index out
// of range. A repeated field always counts as present.
//
// Integer accessors serve the signed and unsigned kinds alike; 32-bit getters truncate, as a 32-bit
// field of the other signedness is read on the phone.

namespace sdk::analytics {

bool nanoHasField(const NanoMessage& message, int index);
void nanoClearField(NanoMessage& message, int index);

std::optional<std::string> nanoGetString(const NanoMessage& message, int index);
// Nothing clears the field.
void nanoSetString(NanoMessage& message, int index, std::optional<std::string> value);
std::int32_t nanoGetInt32(const NanoMessage& message, int index);
void nanoSetInt32(NanoMessage& message, int index, std::int32_t value);
std::int64_t nanoGetInt64(const NanoMessage& message, int index);
void nanoSetInt64(NanoMessage& message, int index, std::int64_t value);
double nanoGetDouble(const NanoMessage& message, int index);
void nanoSetDouble(NanoMessage& message, int index, double value);
bool nanoGetBool(const NanoMessage& message, int index);
void nanoSetBool(NanoMessage& message, int index, bool value);

// In-place reads: nothing is copied, and the answer stays valid while `message` and that field are
// left unchanged. The audience filters read this way on every event.
inline const std::string* nanoStringIn(const NanoMessage& message, int index) {
  const NanoField& field = message.field(index);
  if (field.repeated || (field.kind != NanoFieldKind::String && field.kind != NanoFieldKind::Bytes)) return nullptr;
  const auto& values = message.values(index);
  return values.empty() ? nullptr : std::get_if<std::string>(&values.front());
}
inline const NanoMessage* nanoMessageBaseIn(const NanoMessage& message, int index) {
  const NanoField& field = message.field(index);
  if (field.repeated || field.kind != NanoFieldKind::Message) return nullptr;
  const auto& values = message.values(index);
  const auto* child = values.empty() ? nullptr : std::get_if<std::shared_ptr<NanoMessage>>(&values.front());
  return child ? child->get() : nullptr;
}
// The sub-message as `T`, nullptr when absent or of another kind. Sub-messages of a typed kind are
// always made as their typed class (NanoDescriptor::of), which makes the cast sound.
template <typename T>
const T* nanoMessageIn(const NanoMessage& message, int index) {
  const NanoMessage* child = nanoMessageBaseIn(message, index);
  return child && &child->descriptor() == &T::descriptor() ? static_cast<const T*>(child) : nullptr;
}

// The elements of a repeated message field that are of kind `T`, in place, for a range-for.
template <typename T>
class NanoMessagesView {
 public:
  class Iterator {
   public:
    Iterator(NanoValues::Iterator at, NanoValues::Iterator end) : at_(at), end_(end) { skipOthers(); }
    const T& operator*() const { return static_cast<const T&>(**std::get_if<std::shared_ptr<NanoMessage>>(&*at_)); }
    Iterator& operator++() {
      ++at_;
      skipOthers();
      return *this;
    }
    bool operator==(const Iterator& other) const { return at_ == other.at_; }

   private:
    void skipOthers() {
      while (at_ != end_) {
        const auto* element = std::get_if<std::shared_ptr<NanoMessage>>(&*at_);
        if (element && *element && &(*element)->descriptor() == &T::descriptor()) return;
        ++at_;
      }
    }
    NanoValues::Iterator at_, end_;
  };

  NanoMessagesView() = default;
  explicit NanoMessagesView(NanoValues values) : values_(values) {}
  Iterator begin() const { return Iterator(values_.begin(), values_.end()); }
  Iterator end() const { return Iterator(values_.end(), values_.end()); }
  bool empty() const { return begin() == end(); }
  std::size_t size() const {
    std::size_t count = 0;
    for (auto it = begin(); it != end(); ++it) ++count;
    return count;
  }

 private:
  NanoValues values_;
};

template <typename T>
NanoMessagesView<T> nanoMessagesIn(const NanoMessage& message, int index) {
  return NanoMessagesView<T>(message.values(index));
}

// The sub-message as a new wrapper (a copy), nullptr when absent.
std::shared_ptr<NanoMessage> nanoGetMessageBase(const NanoMessage& message, int index);
template <typename T>
std::shared_ptr<T> nanoGetMessage(const NanoMessage& message, int index) {
  const T* child = nanoMessageIn<T>(message, index);
  return child ? std::static_pointer_cast<T>(child->clone()) : nullptr;
}
// Stores a copy; nullptr clears the field.
void nanoSetMessage(NanoMessage& message, int index, const NanoMessage* value);

// A repeated scalar field as numbers (booleans as bools), strings, or data for bytes fields.
platform::foundation::Array nanoGetArray(const NanoMessage& message, int index);
void nanoSetArray(NanoMessage& message, int index, const platform::foundation::Array& values);

// Appends a copy of `value` to a repeated message field.
void nanoAddMessage(NanoMessage& message, int index, const NanoMessage& value);

// A repeated message field as copies of the given class.
template <typename T>
std::vector<std::shared_ptr<T>> nanoGetMessageArray(const NanoMessage& message, int index) {
  std::vector<std::shared_ptr<T>> out;
  for (const T& element : nanoMessagesIn<T>(message, index)) {
    out.push_back(std::static_pointer_cast<T>(element.clone()));
  }
  return out;
}
// Throws platform::foundation::Exception unless field `index` is a repeated field of `kind` messages.
void nanoCheckMessageArrayField(const NanoMessage& message, int index, const NanoDescriptor& kind);

// Stores the elements themselves, not copies (null elements are skipped): for messages made for this
// field alone, which nothing else changes afterwards. A bundle's thousand events are not copied again.
template <typename T>
void nanoAdoptMessageArray(NanoMessage& message, int index, std::vector<std::shared_ptr<T>> values) {
  nanoCheckMessageArrayField(message, index, T::descriptor());
  std::vector<NanoMessage::Scalar> stored;
  stored.reserve(values.size());
  for (auto& value : values) {
    if (value) stored.emplace_back(std::shared_ptr<NanoMessage>(std::move(value)));
  }
  message.setValues(index, std::move(stored));
}

// Stores copies of the elements (null elements are skipped).
template <typename T>
void nanoSetMessageArray(NanoMessage& message, int index, const std::vector<std::shared_ptr<T>>& values) {
  nanoClearField(message, index);
  for (const auto& value : values) {
    if (value) nanoAddMessage(message, index, *value);
  }
}

}  // namespace sdk::analytics

