#include "sdk/analytics/foundation/NanoAccessors.h"

#include "platform/foundation/Exception.h"

namespace sdk::analytics {

using platform::foundation::Value;
using Scalar = NanoMessage::Scalar;

namespace {

enum class Family { None, Integer, Boolean, Real, Text, Message };

Family familyOf(NanoFieldKind kind) {
  switch (kind) {
    case NanoFieldKind::Int32:
    case NanoFieldKind::Int64:
    case NanoFieldKind::UInt32:
    case NanoFieldKind::UInt64:
      return Family::Integer;
    case NanoFieldKind::Bool:
      return Family::Boolean;
    case NanoFieldKind::Float:
    case NanoFieldKind::Double:
      return Family::Real;
    case NanoFieldKind::String:
    case NanoFieldKind::Bytes:
      return Family::Text;
    case NanoFieldKind::Message:
      return Family::Message;
    default:
      return Family::None;
  }
}

const Scalar* singleValue(const NanoMessage& message, int index, Family family) {
  const NanoField& field = message.field(index);
  if (familyOf(field.kind) != family || field.repeated) return nullptr;
  const auto& values = message.values(index);
  return values.empty() ? nullptr : &values.front();
}

const NanoField& checkedField(const NanoMessage& message, int index, Family family) {
  const NanoField& field = message.field(index);
  if (familyOf(field.kind) != family) {
    throw platform::foundation::Exception("NSInvalidArgumentException", std::string("Field ") + std::to_string(index) +
                                                                            " of " + message.descriptor().name +
                                                                            " is of another kind");
  }
  return field;
}

// A number as the field's kind stores it.
Scalar integerScalar(NanoFieldKind kind, std::int64_t value) {
  switch (kind) {
    case NanoFieldKind::Int32:
      return static_cast<std::int64_t>(static_cast<std::int32_t>(value));
    case NanoFieldKind::UInt32:
      return static_cast<std::uint64_t>(static_cast<std::uint32_t>(value));
    case NanoFieldKind::UInt64:
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

void setSingle(NanoMessage& message, int index, Scalar value) {
  if (message.field(index).repeated) {
    message.addValue(index, std::move(value));
  } else {
    message.setValue(index, std::move(value));
  }
}

Scalar scalarFromValue(const NanoField& field, const Value& value) {
  switch (familyOf(field.kind)) {
    case Family::Integer:
      if (field.kind == NanoFieldKind::UInt64 && value.isReal()) {
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

bool nanoHasField(const NanoMessage& message, int index) {
  const NanoField& field = message.field(index);
  if (field.kind == NanoFieldKind::Reserved) return false;
  return field.repeated || !message.values(index).empty();
}

void nanoClearField(NanoMessage& message, int index) { message.clearValues(index); }

std::optional<std::string> nanoGetString(const NanoMessage& message, int index) {
  const std::string* text = nanoStringIn(message, index);
  if (!text) return std::nullopt;
  return *text;
}

void nanoSetString(NanoMessage& message, int index, std::optional<std::string> value) {
  checkedField(message, index, Family::Text);
  if (!value) return nanoClearField(message, index);
  setSingle(message, index, std::move(*value));
}

std::int32_t nanoGetInt32(const NanoMessage& message, int index) {
  return static_cast<std::int32_t>(integerOf(singleValue(message, index, Family::Integer)));
}

void nanoSetInt32(NanoMessage& message, int index, std::int32_t value) {
  const NanoField& field = checkedField(message, index, Family::Integer);
  // A negative value set on an unsigned field keeps its 32-bit pattern.
  std::int64_t stored = field.kind == NanoFieldKind::UInt64 ? static_cast<std::int64_t>(static_cast<std::uint32_t>(value))
                                                           : value;
  setSingle(message, index, integerScalar(field.kind, stored));
}

std::int64_t nanoGetInt64(const NanoMessage& message, int index) {
  return integerOf(singleValue(message, index, Family::Integer));
}

void nanoSetInt64(NanoMessage& message, int index, std::int64_t value) {
  const NanoField& field = checkedField(message, index, Family::Integer);
  setSingle(message, index, integerScalar(field.kind, value));
}

double nanoGetDouble(const NanoMessage& message, int index) {
  const Scalar* value = singleValue(message, index, Family::Real);
  return value ? std::get<double>(*value) : 0.0;
}

void nanoSetDouble(NanoMessage& message, int index, double value) {
  const NanoField& field = checkedField(message, index, Family::Real);
  setSingle(message, index, field.kind == NanoFieldKind::Float ? static_cast<double>(static_cast<float>(value)) : value);
}

bool nanoGetBool(const NanoMessage& message, int index) {
  return integerOf(singleValue(message, index, Family::Boolean)) != 0;
}

void nanoSetBool(NanoMessage& message, int index, bool value) {
  checkedField(message, index, Family::Boolean);
  setSingle(message, index, std::uint64_t{value});
}

std::shared_ptr<NanoMessage> nanoGetMessageBase(const NanoMessage& message, int index) {
  const NanoMessage* child = nanoMessageBaseIn(message, index);
  return child ? child->clone() : nullptr;
}

void nanoSetMessage(NanoMessage& message, int index, const NanoMessage* value) {
  const NanoField& field = checkedField(message, index, Family::Message);
  if (!value) return nanoClearField(message, index);
  if (&value->descriptor() != &field.message()) {
    throw platform::foundation::Exception("NSInvalidArgumentException",
                                          std::string(value->descriptor().name) + " does not fit field " +
                                              std::to_string(index) + " of " + message.descriptor().name);
  }
  setSingle(message, index, value->clone());
}

void nanoAddMessage(NanoMessage& message, int index, const NanoMessage& value) {
  const NanoField& field = checkedField(message, index, Family::Message);
  if (!field.repeated || &value.descriptor() != &field.message()) {
    throw platform::foundation::Exception("NSInvalidArgumentException",
                                          std::string(value.descriptor().name) + " does not fit field " +
                                              std::to_string(index) + " of " + message.descriptor().name);
  }
  message.addValue(index, value.clone());
}

void nanoCheckMessageArrayField(const NanoMessage& message, int index, const NanoDescriptor& kind) {
  const NanoField& field = checkedField(message, index, Family::Message);
  if (!field.repeated || &kind != &field.message()) {
    throw platform::foundation::Exception("NSInvalidArgumentException", std::string(kind.name) +
                                                                            " does not fit field " +
                                                                            std::to_string(index) + " of " +
                                                                            message.descriptor().name);
  }
}

platform::foundation::Array nanoGetArray(const NanoMessage& message, int index) {
  const NanoField& field = message.field(index);
  platform::foundation::Array out;
  if (!field.repeated) return out;
  for (const Scalar& value : message.values(index)) {
    if (field.kind == NanoFieldKind::Bool) {
      out.emplace_back(integerOf(&value) != 0);
    } else if (const auto* n = std::get_if<std::int64_t>(&value)) {
      out.emplace_back(*n);
    } else if (const auto* u = std::get_if<std::uint64_t>(&value)) {
      out.emplace_back(*u);
    } else if (const auto* d = std::get_if<double>(&value)) {
      out.emplace_back(*d);
    } else if (const auto* s = std::get_if<std::string>(&value)) {
      out.push_back(field.kind == NanoFieldKind::Bytes ? Value::data(platform::foundation::Data(s->begin(), s->end()))
                                                     : Value(*s));
    }
  }
  return out;
}

void nanoSetArray(NanoMessage& message, int index, const platform::foundation::Array& values) {
  const NanoField& field = message.field(index);
  if (!field.repeated || familyOf(field.kind) == Family::Message || field.kind == NanoFieldKind::Reserved) {
    throw platform::foundation::Exception("NSInvalidArgumentException",
                                          std::string("Field ") + std::to_string(index) + " of " +
                                              message.descriptor().name + " is not a repeated scalar field");
  }
  std::vector<Scalar> scalars;
  scalars.reserve(values.size());
  for (const Value& value : values) scalars.push_back(scalarFromValue(field, value));
  message.setValues(index, std::move(scalars));
}

}  // namespace sdk::analytics

