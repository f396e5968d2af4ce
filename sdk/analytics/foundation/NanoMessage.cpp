#include "sdk/analytics/foundation/NanoMessage.h"

#include <algorithm>

#include "platform/foundation/Exception.h"
#include "sdk/analytics/foundation/detail/NanoCodec.h"

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

NanoMessage::NanoMessage(const NanoDescriptor& descriptor)
    : descriptor_(&descriptor), fields_(descriptor.fields.size()) {}

NanoMessage::NanoMessage(const NanoMessage& other) : descriptor_(other.descriptor_) { *this = other; }

NanoMessage& NanoMessage::operator=(const NanoMessage& other) {
  if (this == &other) return *this;
  descriptor_ = other.descriptor_;
  fields_ = other.fields_;
  // Sub-messages are owned: copies must not share them.
  for (auto& values : fields_) {
    for (auto& value : values) {
      if (auto* message = std::get_if<std::shared_ptr<NanoMessage>>(&value); message && *message) {
        *message = (*message)->clone();
      }
    }
  }
  return *this;
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
  for (auto& values : fields_) values.clear();
  NanoDecodeFailure outcome = sdk::analytics::detail::decodeMessage(bytes, *this, budget);
  if (failure) *failure = outcome;
  if (outcome == NanoDecodeFailure::None) return true;
  for (auto& values : fields_) values.clear();
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

