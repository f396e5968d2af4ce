#include "sdk/installations/InstallationsHTTPError.h"

#include <algorithm>
#include <mutex>

#include "platform/foundation/Format.h"
#include "platform/net/ArchivedHTTPURLResponse.h"
#include "sdk/installations/InstallationsErrors.h"

namespace sdk::installations {

using platform::foundation::Data;
using platform::foundation::Error;
using platform::foundation::format;
using platform::foundation::KeyedArchive;
using platform::foundation::Value;
using platform::net::ArchivedHTTPURLResponse;

platform::log::OwnText InstallationsHTTPError::failureReason() const {
  std::size_t quoted = std::min(data.size(), kQuotedBodyBytes);
  // Cut before a character's continuation bytes, so that the quote stays text.
  while (quoted < data.size() && quoted > 0 && (data[quoted] & 0xC0) == 0x80) --quoted;
  std::string body(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(quoted));
  if (quoted < data.size()) body += format("... (%lu bytes in all)", static_cast<unsigned long>(data.size()));
  return platform::foundation::formatLogText(
      "The server responded with an error: \n - URL: %@ \n - HTTP status code: %ld \n - Response body: %@",
      HTTPResponse.url, static_cast<long>(HTTPResponse.statusCode), body);
}

Error InstallationsHTTPError::error() const {
  Error error = InstallationsErrors::installationsErrorWithCode(0, failureReason().text(), std::nullopt);
  error.userInfo.set(kUserInfoKey, Value(std::make_shared<InstallationsHTTPError>(*this)));
  return error;
}

std::shared_ptr<const InstallationsHTTPError> InstallationsHTTPError::of(const Error& error) {
  if (error.domain != kInstallationsErrorDomain) return nullptr;
  return error.userInfo[kUserInfoKey].objectAs<InstallationsHTTPError>();
}

void InstallationsHTTPError::encodeWithCoder(platform::foundation::KeyedArchiver& coder) const {
  coder.encodeObject(Value(std::make_shared<ArchivedHTTPURLResponse>(HTTPResponse)), "HTTPResponse");
  coder.encodeObject(Value::data(data), "data");
}

std::shared_ptr<InstallationsHTTPError> InstallationsHTTPError::initWithCoder(
    platform::foundation::KeyedUnarchiver& coder) {
  auto response = coder.decodeObjectOfClass(ArchivedHTTPURLResponse::kClassName, "HTTPResponse")
                      .objectAs<ArchivedHTTPURLResponse>();
  const Value body = coder.decodeObjectOfClass(KeyedArchive::kData, "data");
  if (!response || coder.failed()) return nullptr;
  return std::make_shared<InstallationsHTTPError>(response->response, body.isData() ? *body.data() : Data());
}

void InstallationsHTTPError::registerArchiveClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    ArchivedHTTPURLResponse::registerArchiveClass();
    KeyedArchive::registerClass<InstallationsHTTPError>();
  });
}

std::string InstallationsHTTPError::description() const {
  return format("<VURInstallationsHTTPError %ld %@, %lu bytes>", static_cast<long>(HTTPResponse.statusCode),
                HTTPResponse.url, static_cast<unsigned long>(data.size()));
}

bool InstallationsHTTPError::isEqual(const platform::foundation::Object& other) const {
  const auto* reply = dynamic_cast<const InstallationsHTTPError*>(&other);
  return reply && reply->HTTPResponse.url == HTTPResponse.url &&
         reply->HTTPResponse.statusCode == HTTPResponse.statusCode &&
         reply->HTTPResponse.allHeaderFields.fields() == HTTPResponse.allHeaderFields.fields() && reply->data == data;
}

}  // namespace sdk::installations
