#include "sdk/installations/InstallationsHTTPError.h"

#include <mutex>

#include "platform/foundation/Format.h"
#include "platform/foundation/Utf8.h"
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
  const std::string_view whole(reinterpret_cast<const char*>(data.data()), data.size());
  // Cut at a character's start, so that the quote stays text.
  const std::size_t quoted = platform::foundation::Utf8::cutOffset(whole, kQuotedBodyBytes);
  std::string body(whole.substr(0, quoted));
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
