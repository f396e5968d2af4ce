#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/foundation/Value.h"

namespace platform::net {

using foundation::Data;

// HTTP header fields in the order they were set. Names compare without regard to case; a field keeps
// the spelling it was first set with.
class HTTPHeaders {
 public:
  using Field = std::pair<std::string, std::string>;

  HTTPHeaders() = default;
  HTTPHeaders(std::initializer_list<Field> fields);

  // Replaces every field of that name.
  void set(std::string_view name, std::string value);
  // Appends to a field of that name, joined with ", " as repeated response fields are.
  void add(std::string_view name, std::string_view value);
  bool remove(std::string_view name);
  std::optional<std::string> value(std::string_view name) const;
  bool contains(std::string_view name) const { return value(name).has_value(); }

  const std::vector<Field>& fields() const { return fields_; }
  bool empty() const { return fields_.empty(); }
  std::size_t size() const { return fields_.size(); }

 private:
  std::vector<Field> fields_;
};

bool equalsIgnoringCase(std::string_view a, std::string_view b);

// `text` with every byte other than ASCII letters, digits and the characters of `keep` written as
// "%XX" (upper-case hexadecimal). With the default, the result is one URL path segment whatever the
// text holds: no "/", "?", "#" or dot segment can reach the path.
std::string percentEncoded(std::string_view text, std::string_view keep = "-_~");

// A configured service address made ready for paths to be appended: trailing slashes and blanks
// dropped; "" unless it starts with "http://" or "https://" followed by a host.
std::string normalizedBaseURL(std::string url);

enum class URLRequestCachePolicy {
  UseProtocolCachePolicy = 0,
  ReloadIgnoringLocalCacheData = 1,
  ReturnCacheDataElseLoad = 2,
  ReturnCacheDataDontLoad = 3,
};

// One request: a plain value, copied freely.
struct URLRequest {
  static constexpr double kDefaultTimeoutInterval = 60.0;

  URLRequest() = default;
  explicit URLRequest(std::string url, URLRequestCachePolicy policy = URLRequestCachePolicy::UseProtocolCachePolicy,
                      double timeout = kDefaultTimeoutInterval)
      : url(std::move(url)), cachePolicy(policy), timeoutInterval(timeout) {}

  std::string url;
  std::string httpMethod = "GET";
  HTTPHeaders allHTTPHeaderFields;
  Data httpBody;
  URLRequestCachePolicy cachePolicy = URLRequestCachePolicy::UseProtocolCachePolicy;
  // Seconds the transfer may stay idle before it fails as timed out, and the longest the whole request
  // may take from its start (a session's shorter resource time-out still wins).
  double timeoutInterval = kDefaultTimeoutInterval;

  std::optional<std::string> valueForHTTPHeaderField(std::string_view field) const {
    return allHTTPHeaderFields.value(field);
  }
  void setValue(std::string value, std::string_view field) { allHTTPHeaderFields.set(field, std::move(value)); }
};

// The head of an HTTP response as it arrived: the final URL, the status and the header fields.
struct HTTPURLResponse {
  std::string url;
  std::int64_t statusCode = 0;
  HTTPHeaders allHeaderFields;

  std::optional<std::string> valueForHTTPHeaderField(std::string_view field) const {
    return allHeaderFields.value(field);
  }
};

}  // namespace platform::net
