#include "platform/foundation/Error.h"

namespace platform::foundation {

Error Error::make(std::string domain, std::int64_t code, std::string description) {
  Error error{std::move(domain), code, Value()};
  if (!description.empty()) error.userInfo.set(kLocalizedDescriptionKey, std::move(description));
  return error;
}

std::string Error::localizedDescription() const {
  if (auto* text = userInfo[kLocalizedDescriptionKey].string()) return *text;
  return "The operation couldn\u2019t be completed. (" + domain + " error " + std::to_string(code) + ".)";
}

std::string Error::description() const {
  std::string out = "Error Domain=" + domain + " Code=" + std::to_string(code) + " \"" +
                    localizedDescription() + "\"";
  if (auto* dict = userInfo.dictionary(); dict && !dict->empty()) {
    out += " UserInfo=";
    // The user info on one line, as the phone prints it inside an error.
    std::string inner;
    bool first = true;
    for (const auto& [key, value] : *dict) {
      if (!first) inner += ", ";
      first = false;
      inner += key + "=" + value.description();
    }
    out += "{" + inner + "}";
  }
  return out;
}

std::optional<Error> Error::underlyingError() const {
  if (auto wrapped = userInfo[kUnderlyingErrorKey].objectAs<ErrorObject>()) return wrapped->error;
  return std::nullopt;
}

void Error::setUnderlyingError(const Error& underlying) {
  userInfo.set(kUnderlyingErrorKey, std::make_shared<ErrorObject>(underlying));
}

bool ErrorObject::isEqual(const Object& other) const {
  auto* wrapped = dynamic_cast<const ErrorObject*>(&other);
  return wrapped && wrapped->error == error;
}

bool Error::operator==(const Error& other) const {
  return domain == other.domain && code == other.code && userInfo == other.userInfo;
}

std::ostream& operator<<(std::ostream& out, const Error& error) { return out << error.description(); }

}  // namespace platform::foundation
