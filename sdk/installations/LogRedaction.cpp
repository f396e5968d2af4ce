#include "sdk/installations/LogRedaction.h"

#include <string_view>

#include "platform/foundation/Json.h"

namespace sdk::installations {

using platform::foundation::Value;

namespace {

constexpr const char* kRedacted = "<redacted>";

bool isSecretHeader(std::string_view name) {
  for (const char* secret : {"X-Vdz-Api-Key", "Authorization", "x-vdz-vis-ios-iid-migration-auth"}) {
    if (platform::net::equalsIgnoringCase(name, secret)) return true;
  }
  return false;
}

void redactTokens(Value& value) {
  if (auto* dictionary = value.dictionary()) {
    for (auto& [key, entry] : *dictionary) {
      if (key == "token" || key == "refreshToken") {
        entry = Value(kRedacted);
      } else {
        redactTokens(entry);
      }
    }
  } else if (auto* array = value.array()) {
    for (auto& entry : *array) redactTokens(entry);
  }
}

}  // namespace

std::string redactedRequest(const platform::net::URLRequest& request) {
  return request.httpMethod + " " + request.url;
}

std::string redactedHeaders(const platform::net::HTTPHeaders& headers) {
  std::string text = "{";
  for (const auto& [name, value] : headers.fields()) {
    text += (text.size() > 1 ? ", " : " ") + name + ": " + (isSecretHeader(name) ? kRedacted : value);
  }
  return text + " }";
}

// GCC 12 reports an overlapping copy inside libstdc++'s own string code here, which it cannot make.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
std::string redactedBody(const platform::foundation::Data& body) {
  if (body.empty()) return "";
  Value parsed = platform::foundation::Json::parse(std::string_view(reinterpret_cast<const char*>(body.data()), body.size()));
  if (!parsed.isDictionary() && !parsed.isArray()) return "<" + std::to_string(body.size()) + " bytes>";
  redactTokens(parsed);
  return platform::foundation::Json::serialize(parsed);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

}  // namespace sdk::installations

