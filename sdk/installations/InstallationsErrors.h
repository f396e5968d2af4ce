#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/foundation/Value.h"
#include "platform/net/URLRequest.h"
#include "sdk/promises/Promise.h"

namespace sdk::installations {

inline constexpr const char* kInstallationsErrorDomain = "com.vurevore.installations";

enum InstallationsErrorCode : std::int64_t {
  kInstallationsErrorCodeUnknown = 0,
  kInstallationsErrorCodeKeychain = 1,
  kInstallationsErrorCodeServerUnreachable = 2,  // back-off refusal
};

// The errors the installations component makes. Each carries a failure reason and, when there is
// one, the underlying error.
class InstallationsErrors {
 public:
  using Error = platform::foundation::Error;

  static constexpr const char* kFailureReasonKey = "NSLocalizedFailureReason";

  static Error installationsErrorWithCode(std::int64_t code, const std::optional<std::string>& failureReason,
                                          const std::optional<Error>& underlyingError);
  // Unchanged when already of the installations domain; else wrapped as code 0.
  static Error publicDomainErrorWithError(const Error& error);
  static sdk::promises::Promise::Ptr rejectedPromiseWithError(const Error& error);

  static Error installationItemNotFoundForAppID(const std::string& appID, const std::string& appName);
  static Error keychainErrorWithFunction(const std::string& function, std::int64_t status);
  static Error keyedArchiverError(const std::string& name, const std::string& reason);
  static Error corruptedIIDTokenData();
  static Error JSONSerializationError();
  static Error FIDRegistrationErrorWithResponseMissingField(const std::string& field);
  // A field that is there but cannot be trusted (an ID of the wrong form, a lifetime out of range).
  static Error FIDRegistrationErrorWithResponseInvalidField(const std::string& field);
  static Error backoffIntervalWaitError();

  // The service answered with a status outside 200-299: the error carries an InstallationsHTTPError.
  static Error APIErrorWithHTTPResponse(const platform::net::HTTPURLResponse& response,
                                        const platform::foundation::Data& data);
  static bool isAPIError(const Error& error, std::int64_t HTTPCode);
  // The status of a service error; nullopt for any other error.
  static std::optional<std::int64_t> HTTPStatusOf(const Error& error);
  static std::string failureReasonOf(const Error& error);
  // What a log line says of the error: its failure reason ("Failed to serialize JSON data."), which the
  // installations errors carry in place of a description, else its description.
  static std::string reasonOf(const Error& error);
};

}  // namespace sdk::installations

