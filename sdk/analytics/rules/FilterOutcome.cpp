#include "sdk/analytics/rules/FilterOutcome.h"

#include "sdk/analytics/foundation/NanoMessage.h"

namespace sdk::analytics {

namespace {

void describe(const NanoMessage& message, std::string& out) {
  out += message.descriptor().name;
  out += '{';
  bool first = true;
  for (std::size_t index = 0; index < message.fieldCount(); ++index) {
    const auto& field = message.field(static_cast<int>(index));
    for (const auto& value : message.values(static_cast<int>(index))) {
      if (!first) out += ", ";
      first = false;
      out += std::to_string(field.tag) + ": ";
      if (const auto* number = std::get_if<std::int64_t>(&value)) {
        out += std::to_string(*number);
      } else if (const auto* unsignedNumber = std::get_if<std::uint64_t>(&value)) {
        out += std::to_string(*unsignedNumber);
      } else if (const auto* real = std::get_if<double>(&value)) {
        out += std::to_string(*real);
      } else if (const auto* text = std::get_if<std::string>(&value)) {
        out += '"' + *text + '"';
      } else if (const auto* sub = std::get_if<std::shared_ptr<NanoMessage>>(&value); sub && *sub) {
        describe(**sub, out);
      }
    }
  }
  out += '}';
}

}  // namespace

platform::foundation::Value messageLogContext(const NanoMessage& message) {
  std::string out;
  describe(message, out);
  return platform::foundation::Value(out);
}

}  // namespace sdk::analytics

