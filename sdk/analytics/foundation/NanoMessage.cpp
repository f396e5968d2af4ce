#include "sdk/analytics/foundation/NanoMessage.h"

#include <algorithm>

#include "platform/foundation/Exception.h"
#include "sdk/analytics/foundation/NanoCodec.h"

namespace sdk::analytics {

NanoDescriptor::NanoDescriptor(const char* name, std::vector<NanoField> fields, Maker maker)
    : name(name), maker(maker), fields(std::move(fields)) {
  for (std::size_t i = 0; i < this->fields.size(); ++i) {
    if (this->fields[i].kind != NanoFieldKind::Reserved) indicesByTag.push_back(i);
  }
  std::sort(indicesByTag.begin(), indicesByTag.end(),
            [this](std::size_t a, std::size_t b) { return this->fields[a].tag < this->fields[b].tag; });
  std::uint32_t topTag = indicesByTag.empty() ? 0 : this->fields[indicesByTag.back()].tag;
  indexByTag.assign(std::min(topTag + 1, kDirectTags), -1);
  for (std::size_t index : indicesByTag) {
    if (this->fields[index].tag < indexByTag.size()) indexByTag[this->fields[index].tag] = static_cast<std::int16_t>(index);
  }
}

int NanoDescriptor::searchTag(std::uint32_t tag) const {
  auto found = std::lower_bound(indicesByTag.begin(), indicesByTag.end(), tag,
                                [this](std::size_t index, std::uint32_t t) { return fields[index].tag < t; });
  return found != indicesByTag.end() && fields[*found].tag == tag ? static_cast<int>(*found) : -1;
}

std::shared_ptr<NanoMessage> NanoDescriptor::makeMessage() const {
  return maker ? maker() : std::make_shared<NanoMessage>(*this);
}

NanoMessage::NanoMessage(const NanoMessage& other) : descriptor_(other.descriptor_) { *this = other; }

NanoMessage& NanoMessage::operator=(const NanoMessage& other) {
  if (this == &other) return *this;
  descriptor_ = other.descriptor_;
  entries_ = other.entries_;
  // Sub-messages are owned: copies must not share them.
  for (auto& entry : entries_) {
    if (auto* message = std::get_if<std::shared_ptr<NanoMessage>>(&entry.value); message && *message) {
      *message = (*message)->clone();
    }
  }
  return *this;
}

std::size_t NanoMessage::lowerBound(std::size_t index) const {
  const auto found = std::lower_bound(entries_.begin(), entries_.end(), index,
                                      [](const NanoEntry& entry, std::size_t field) { return entry.field < field; });
  return static_cast<std::size_t>(found - entries_.begin());
}

void NanoMessage::setValues(int index, std::vector<Scalar> values) {
  const auto field = checkedIndex(index);
  const auto [first, last] = rangeOf(field);
  const auto kept = std::min(last - first, values.size());
  for (std::size_t i = 0; i < kept; ++i) entries_[first + i].value = std::move(values[i]);
  const auto at = entries_.begin() + static_cast<std::ptrdiff_t>(first + kept);
  if (kept < last - first) {
    entries_.erase(at, entries_.begin() + static_cast<std::ptrdiff_t>(last));
    return;
  }
  std::vector<NanoEntry> added;
  added.reserve(values.size() - kept);
  for (std::size_t i = kept; i < values.size(); ++i) added.push_back({std::move(values[i]), static_cast<std::uint32_t>(field)});
  entries_.insert(at, std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
}

void NanoMessage::setValue(int index, Scalar value) {
  const auto field = checkedIndex(index);
  const auto [first, last] = rangeOf(field);
  if (first == last) {
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(first), {std::move(value), static_cast<std::uint32_t>(field)});
    return;
  }
  entries_[first].value = std::move(value);
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(first + 1), entries_.begin() + static_cast<std::ptrdiff_t>(last));
}

void NanoMessage::addValue(int index, Scalar value) {
  const auto field = checkedIndex(index);
  const auto last = rangeOf(field).second;
  entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(last), {std::move(value), static_cast<std::uint32_t>(field)});
}

void NanoMessage::clearValues(int index) {
  const auto [first, last] = rangeOf(checkedIndex(index));
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(first), entries_.begin() + static_cast<std::ptrdiff_t>(last));
}

std::shared_ptr<NanoMessage> NanoMessage::clone() const {
  auto copy = descriptor_->makeMessage();
  *copy = *this;
  return copy;
}

void NanoMessage::throwOutOfRange(int index) const {
  throw platform::foundation::Exception("NSRangeException", std::string("Field index ") + std::to_string(index) +
                                                                " is out of range for " + descriptor_->name);
}

bool NanoMessage::operator==(const NanoMessage& other) const {
  return descriptor_ == other.descriptor_ && protoBuffer() == other.protoBuffer();
}

platform::foundation::Data NanoMessage::protoBuffer() const {
  platform::foundation::Data out;
  sdk::analytics::detail::encodeMessage(*this, out);
  return out;
}

bool NanoMessage::decode(std::span<const std::uint8_t> bytes, NanoDecodeFailure* failure, NanoDecodeBudget budget) {
  entries_.clear();
  NanoDecodeFailure outcome = sdk::analytics::detail::decodeMessage(bytes, *this, budget);
  if (failure) *failure = outcome;
  if (outcome == NanoDecodeFailure::None) return true;
  entries_.clear();
  return false;
}

const char* nanoDecodeFailureText(NanoDecodeFailure failure) {
  switch (failure) {
    case NanoDecodeFailure::None: return "decoded";
    case NanoDecodeFailure::Malformed: return "malformed or truncated message";
    case NanoDecodeFailure::TooLarge: return "message larger than the decoder accepts";
    case NanoDecodeFailure::TooDeep: return "messages nested too deeply";
    case NanoDecodeFailure::TooManyMessages: return "more sub-messages than one decode may make";
    case NanoDecodeFailure::TooMuchMemory: return "messages taking more memory than their size allows";
  }
  return "unknown failure";
}

}  // namespace sdk::analytics

