#include "sdk/analytics/foundation/APMNanoAccessors.h"

#include "platform/foundation/Exception.h"

using platform::foundation::Value;
using Scalar = APMNanoMessage::Scalar;

namespace {

enum class Family { None, Integer, Boolean, Real, Text, Message };

Family familyOf(APMNanoKind kind) {
  switch (kind) {
    case APMNanoKind::Int32:
    case APMNanoKind::Int64:
    case APMNanoKind::UInt32:
    case APMNanoKind::UInt64:
      return Family::Integer;
    case APMNanoKind::Bool:
      return Family::Boolean;
    case APMNanoKind::Float:
    case APMNanoKind::Double:
      return Family::Real;
    case APMNanoKind::String:
    case APMNanoKind::Bytes:
      return Family::Text;
    case APMNanoKind::Message:
      return Family::Message;
    default:
      return Family::None;
  }
}

const Scalar* singleValue(const APMNanoMessage& message, int index, Family family) {
  const APMNanoField& field = message.field(index);
  if (familyOf(field.kind) != family || field.repeated) return nullptr;
  const auto& values = message.values(index);
  return values.empty() ? nullptr : &values.front();
}

const APMNanoField& checkedField(const APMNanoMessage& message, int index, Family family) {
  const APMNanoField& field = message.field(index);
  if (familyOf(field.kind) != family) {
    throw platform::foundation::Exception("NSInvalidArgumentException", std::string("Field ") + std::to_string(index) +
                                                                            " of " + message.descriptor().name +
                                                                            " is of another kind");
  }
  return field;
}

// A number as the field's kind stores it.
Scalar integerScalar(APMNanoKind kind, std::int64_t value) {
  switch (kind) {
    case APMNanoKind::Int32:
      return static_cast<std::int64_t>(static_cast<std::int32_t>(value));
    case APMNanoKind::UInt32:
      return static_cast<std::uint64_t>(static_cast<std::uint32_t>(value));
    case APMNanoKind::UInt64:
      return static_cast<std::uint64_t>(value);
    default:
      return value;
  }
}

std::int64_t integerOf(const Scalar* value) {
  if (!value) return 0;
  if (const auto* n = std::get_if<std::int64_t>(value)) return *n;
  if (const auto* u = std::get_if<std::uint64_t>(value)) return static_cast<std::int64_t>(*u);
  return 0;
}

void setSingle(APMNanoMessage& message, int index, Scalar value) {
  auto& values = message.values(index);
  if (message.field(index).repeated) {
    values.push_back(std::move(value));
  } else {
    values.assign(1, std::move(value));
  }
}

Scalar scalarFromValue(const APMNanoField& field, const Value& value) {
  switch (familyOf(field.kind)) {
    case Family::Integer:
      if (field.kind == APMNanoKind::UInt64 && value.isReal()) {
        return static_cast<std::uint64_t>(value.toDouble());  // large unsigned values arrive as reals
      }
      return integerScalar(field.kind, value.toInt64());
    case Family::Boolean:
      return std::uint64_t{value.toBool()};
    case Family::Real:
      return value.toDouble();
    case Family::Text:
      if (const auto* data = value.data()) return std::string(data->begin(), data->end());
      return value.toString();
    default:
      throw platform::foundation::Exception("NSInvalidArgumentException", "Message fields take messages");
  }
}

}  // namespace

bool APMNanoHasField(const APMNanoMessage& message, int index) {
  const APMNanoField& field = message.field(index);
  if (field.kind == APMNanoKind::Reserved) return false;
  return field.repeated || !message.values(index).empty();
}

void APMNanoClearField(APMNanoMessage& message, int index) { message.values(index).clear(); }

std::optional<std::string> APMNanoGetString(const APMNanoMessage& message, int index) {
  const std::string* text = APMNanoStringIn(message, index);
  if (!text) return std::nullopt;
  return *text;
}

void APMNanoSetString(APMNanoMessage& message, int index, std::optional<std::string> value) {
  checkedField(message, index, Family::Text);
  if (!value) return APMNanoClearField(message, index);
  setSingle(message, index, std::move(*value));
}

std::int32_t APMNanoGetInt32(const APMNanoMessage& message, int index) {
  return static_cast<std::int32_t>(integerOf(singleValue(message, index, Family::Integer)));
}

void APMNanoSetInt32(APMNanoMessage& message, int index, std::int32_t value) {
  const APMNanoField& field = checkedField(message, index, Family::Integer);
  // A negative value set on an unsigned field keeps its 32-bit pattern.
  std::int64_t stored = field.kind == APMNanoKind::UInt64 ? static_cast<std::int64_t>(static_cast<std::uint32_t>(value))
                                                           : value;
  setSingle(message, index, integerScalar(field.kind, stored));
}

std::int64_t APMNanoGetInt64(const APMNanoMessage& message, int index) {
  return integerOf(singleValue(message, index, Family::Integer));
}

void APMNanoSetInt64(APMNanoMessage& message, int index, std::int64_t value) {
  const APMNanoField& field = checkedField(message, index, Family::Integer);
  setSingle(message, index, integerScalar(field.kind, value));
}

double APMNanoGetDouble(const APMNanoMessage& message, int index) {
  const Scalar* value = singleValue(message, index, Family::Real);
  return value ? std::get<double>(*value) : 0.0;
}

void APMNanoSetDouble(APMNanoMessage& message, int index, double value) {
  const APMNanoField& field = checkedField(message, index, Family::Real);
  setSingle(message, index, field.kind == APMNanoKind::Float ? static_cast<double>(static_cast<float>(value)) : value);
}

bool APMNanoGetBool(const APMNanoMessage& message, int index) {
  return integerOf(singleValue(message, index, Family::Boolean)) != 0;
}

void APMNanoSetBool(APMNanoMessage& message, int index, bool value) {
  checkedField(message, index, Family::Boolean);
  setSingle(message, index, std::uint64_t{value});
}

std::shared_ptr<APMNanoMessage> APMNanoGetMessageBase(const APMNanoMessage& message, int index) {
  const APMNanoMessage* child = APMNanoMessageBaseIn(message, index);
  return child ? child->clone() : nullptr;
}

void APMNanoSetMessage(APMNanoMessage& message, int index, const APMNanoMessage* value) {
  const APMNanoField& field = checkedField(message, index, Family::Message);
  if (!value) return APMNanoClearField(message, index);
  if (&value->descriptor() != &field.message()) {
    throw platform::foundation::Exception("NSInvalidArgumentException",
                                          std::string(value->descriptor().name) + " does not fit field " +
                                              std::to_string(index) + " of " + message.descriptor().name);
  }
  setSingle(message, index, value->clone());
}

void APMNanoAddMessage(APMNanoMessage& message, int index, const APMNanoMessage& value) {
  const APMNanoField& field = checkedField(message, index, Family::Message);
  if (!field.repeated || &value.descriptor() != &field.message()) {
    throw platform::foundation::Exception("NSInvalidArgumentException",
                                          std::string(value.descriptor().name) + " does not fit field " +
                                              std::to_string(index) + " of " + message.descriptor().name);
  }
  message.values(index).push_back(value.clone());
}

void APMNanoCheckMessageArrayField(const APMNanoMessage& message, int index, const APMNanoDescriptor& kind) {
  const APMNanoField& field = checkedField(message, index, Family::Message);
  if (!field.repeated || &kind != &field.message()) {
    throw platform::foundation::Exception("NSInvalidArgumentException", std::string(kind.name) +
                                                                            " does not fit field " +
                                                                            std::to_string(index) + " of " +
                                                                            message.descriptor().name);
  }
}

platform::foundation::Array APMNanoGetArray(const APMNanoMessage& message, int index) {
  const APMNanoField& field = message.field(index);
  platform::foundation::Array out;
  if (!field.repeated) return out;
  for (const Scalar& value : message.values(index)) {
    if (field.kind == APMNanoKind::Bool) {
      out.emplace_back(integerOf(&value) != 0);
    } else if (const auto* n = std::get_if<std::int64_t>(&value)) {
      out.emplace_back(*n);
    } else if (const auto* u = std::get_if<std::uint64_t>(&value)) {
      out.emplace_back(*u);
    } else if (const auto* d = std::get_if<double>(&value)) {
      out.emplace_back(*d);
    } else if (const auto* s = std::get_if<std::string>(&value)) {
      out.push_back(field.kind == APMNanoKind::Bytes ? Value::data(platform::foundation::Data(s->begin(), s->end()))
                                                     : Value(*s));
    }
  }
  return out;
}

void APMNanoSetArray(APMNanoMessage& message, int index, const platform::foundation::Array& values) {
  const APMNanoField& field = message.field(index);
  if (!field.repeated || familyOf(field.kind) == Family::Message || field.kind == APMNanoKind::Reserved) {
    throw platform::foundation::Exception("NSInvalidArgumentException",
                                          std::string("Field ") + std::to_string(index) + " of " +
                                              message.descriptor().name + " is not a repeated scalar field");
  }
  std::vector<Scalar> scalars;
  scalars.reserve(values.size());
  for (const Value& value : values) scalars.push_back(scalarFromValue(field, value));
  message.values(index) = std::move(scalars);
}
