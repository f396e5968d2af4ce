#include "sdk/installations/InstallationsErrors.h"

#include "platform/foundation/Format.h"
#include "sdk/installations/InstallationsHTTPError.h"

namespace sdk::installations {

using platform::foundation::Dictionary;
using platform::foundation::Error;
using platform::foundation::format;
using platform::foundation::Value;

Error InstallationsErrors::installationsErrorWithCode(std::int64_t code,
                                                            const std::optional<std::string>& failureReason,
                                                            const std::optional<Error>& underlyingError) {
  Error error{kInstallationsErrorDomain, code, Value(Dictionary{})};
  if (underlyingError) error.setUnderlyingError(*underlyingError);
  if (failureReason) {
    error.userInfo.set(kFailureReasonKey, *failureReason);
  } else if (underlyingError) {
    error.userInfo.set(kFailureReasonKey, format("Underlying error: %@", underlyingError->localizedDescription()));
  }
  return error;
}

Error InstallationsErrors::publicDomainErrorWithError(const Error& error) {
  if (error.domain == kInstallationsErrorDomain) return error;
  return installationsErrorWithCode(kInstallationsErrorCodeUnknown, std::nullopt, error);
}

sdk::promises::Promise::Ptr InstallationsErrors::rejectedPromiseWithError(const Error& error) {
  auto promise = sdk::promises::Promise::pendingPromise();
  promise->reject(error);
  return promise;
}

Error InstallationsErrors::installationItemNotFoundForAppID(const std::string& appID, const std::string& appName) {
  return installationsErrorWithCode(0, format("Installation for appID %@ appName %@ not found", appID, appName),
                                    std::nullopt);
}

Error InstallationsErrors::keychainErrorWithFunction(const std::string& function, std::int64_t status) {
  return installationsErrorWithCode(kInstallationsErrorCodeKeychain,
                                    format("%@ (%li)", function, static_cast<long>(status)), std::nullopt);
}

Error InstallationsErrors::keyedArchiverError(const std::string& name, const std::string& reason) {
  return installationsErrorWithCode(
      0, format("NSKeyedArchiver exception with name: %@, reason: %@, userInfo: %@", name, reason, "(null)"),
      std::nullopt);
}

Error InstallationsErrors::corruptedIIDTokenData() {
  return installationsErrorWithCode(0, "IID token data stored in Keychain is corrupted or in an incompatible format.",
                                    std::nullopt);
}

Error InstallationsErrors::JSONSerializationError() {
  return installationsErrorWithCode(0, "Failed to serialize JSON data.", std::nullopt);
}

Error InstallationsErrors::FIDRegistrationErrorWithResponseMissingField(const std::string& field) {
  return installationsErrorWithCode(0, format("A required response field with name %@ is missing", field),
                                    std::nullopt);
}

Error InstallationsErrors::FIDRegistrationErrorWithResponseInvalidField(const std::string& field) {
  return installationsErrorWithCode(0, format("The response field with name %@ is malformed", field), std::nullopt);
}

Error InstallationsErrors::backoffIntervalWaitError() {
  return installationsErrorWithCode(kInstallationsErrorCodeServerUnreachable, "Too many server requests.",
                                    std::nullopt);
}

Error InstallationsErrors::APIErrorWithHTTPResponse(const platform::net::HTTPURLResponse& response,
                                                    const platform::foundation::Data& data) {
  return InstallationsHTTPError(response, data).error();
}

std::optional<std::int64_t> InstallationsErrors::HTTPStatusOf(const Error& error) {
  const auto reply = InstallationsHTTPError::of(error);
  if (!reply) return std::nullopt;
  return reply->HTTPResponse.statusCode;
}

bool InstallationsErrors::isAPIError(const Error& error, std::int64_t HTTPCode) {
  return HTTPStatusOf(error) == HTTPCode;
}

std::string InstallationsErrors::failureReasonOf(const Error& error) {
  return error.userInfo[kFailureReasonKey].toString();
}

std::string InstallationsErrors::reasonOf(const Error& error) {
  std::string reason = failureReasonOf(error);
  return reason.empty() ? error.localizedDescription() : reason;
}

}  // namespace sdk::installations

