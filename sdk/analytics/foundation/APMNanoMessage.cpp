#include "sdk/analytics/foundation/APMNanoMessage.h"

#include <algorithm>

#include "platform/foundation/Exception.h"
#include "sdk/analytics/foundation/detail/APMNanoCodec.h"

APMNanoDescriptor::APMNanoDescriptor(const char* name, std::vector<APMNanoField> fields)
    : name(name), fields(std::move(fields)) {
  for (std::size_t i = 0; i < this->fields.size(); ++i) {
    if (this->fields[i].kind != APMNanoKind::Reserved) indicesByTag.push_back(i);
  }
  std::sort(indicesByTag.begin(), indicesByTag.end(),
            [this](std::size_t a, std::size_t b) { return this->fields[a].tag < this->fields[b].tag; });
}

int APMNanoDescriptor::indexOfTag(std::uint32_t tag) const {
  auto found = std::lower_bound(indicesByTag.begin(), indicesByTag.end(), tag,
                                [this](std::size_t index, std::uint32_t t) { return fields[index].tag < t; });
  return found != indicesByTag.end() && fields[*found].tag == tag ? static_cast<int>(*found) : -1;
}

APMNanoMessage::APMNanoMessage(const APMNanoDescriptor& descriptor)
    : descriptor_(&descriptor), fields_(descriptor.fields.size()) {}

APMNanoMessage::APMNanoMessage(const APMNanoMessage& other) : descriptor_(other.descriptor_) { *this = other; }

APMNanoMessage& APMNanoMessage::operator=(const APMNanoMessage& other) {
  if (this == &other) return *this;
  descriptor_ = other.descriptor_;
  fields_ = other.fields_;
  // Sub-messages are owned: copies must not share them.
  for (auto& values : fields_) {
    for (auto& value : values) {
      if (auto* message = std::get_if<std::shared_ptr<APMNanoMessage>>(&value); message && *message) {
        *message = std::make_shared<APMNanoMessage>(**message);
      }
    }
  }
  return *this;
}

const APMNanoField& APMNanoMessage::field(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= fields_.size()) {
    throw platform::foundation::Exception("NSRangeException", std::string("Field index ") + std::to_string(index) +
                                                                  " is out of range for " + descriptor_->name);
  }
  return descriptor_->fields[static_cast<std::size_t>(index)];
}

const std::vector<APMNanoMessage::Scalar>& APMNanoMessage::values(int index) const {
  field(index);
  return fields_[static_cast<std::size_t>(index)];
}

std::vector<APMNanoMessage::Scalar>& APMNanoMessage::values(int index) {
  field(index);
  return fields_[static_cast<std::size_t>(index)];
}

bool APMNanoMessage::operator==(const APMNanoMessage& other) const {
  return descriptor_ == other.descriptor_ && protoBuffer() == other.protoBuffer();
}

platform::foundation::Data APMNanoMessage::protoBuffer() const {
  platform::foundation::Data out;
  sdk::analytics::detail::encodeMessage(*this, out);
  return out;
}

bool APMNanoMessage::decode(std::span<const std::uint8_t> bytes) {
  for (auto& values : fields_) values.clear();
  if (bytes.size() > kMaxEncodedBytes || !sdk::analytics::detail::decodeMessage(bytes, *this)) {
    for (auto& values : fields_) values.clear();
    return false;
  }
  return true;
}
