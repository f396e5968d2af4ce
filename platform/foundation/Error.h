#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "platform/foundation/Value.h"

namespace platform::foundation {

// A reported failure: a per-component domain, a numeric code and a dictionary of details. A plain
// copyable value; a function that may fail returns it in an `ErrorOr<T>` (ErrorOr.h), and asynchronous
// work hands it to its completion. The platform's property-list, JSON and keyed-archive readers still
// take a nullable `Error*` out-parameter.
struct Error {
  static constexpr const char* kLocalizedDescriptionKey = "NSLocalizedDescription";
  static constexpr const char* kUnderlyingErrorKey = "NSUnderlyingError";
  static constexpr const char* kFilePathKey = "NSFilePath";

  std::string domain;
  std::int64_t code = 0;
  Value userInfo;  // a dictionary or nil

  // An error whose user info carries `description` under kLocalizedDescriptionKey (when not empty).
  static Error make(std::string domain, std::int64_t code, std::string description = {});

  // The user-info text, or "The operation couldn’t be completed. (<domain> error <code>.)".
  std::string localizedDescription() const;
  // "Error Domain=<domain> Code=<code> \"<localized description>\" UserInfo={...}".
  std::string description() const;

  // The error stored under kUnderlyingErrorKey, if any.
  std::optional<Error> underlyingError() const;
  void setUnderlyingError(const Error& underlying);

  bool operator==(const Error& other) const;
  bool operator!=(const Error& other) const { return !(*this == other); }
};

// Lets an Error travel inside a Value, as the underlying error of another one does.
class ErrorObject : public Object {
 public:
  explicit ErrorObject(Error e) : error(std::move(e)) {}
  std::string description() const override { return error.description(); }
  bool isEqual(const Object& other) const override;

  Error error;
};

// Stores `error` through `out` when the caller asked for it; a null `out` ignores it.
inline void report(Error* out, Error error) {
  if (out) *out = std::move(error);
}

std::ostream& operator<<(std::ostream& out, const Error& error);

}  // namespace platform::foundation
