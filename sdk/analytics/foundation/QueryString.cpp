#include "sdk/analytics/foundation/QueryString.h"

#include "platform/net/URLRequest.h"

namespace sdk::analytics {

namespace {

// Characters a query value may hold as they are, besides ASCII letters and digits.
constexpr const char* kStaysInQuery = "-._~!$'()*,;:@/?";

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string percentEncoded(std::string_view text) { return platform::net::percentEncoded(text, kStaysInQuery); }

std::string percentDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string queryString(const platform::foundation::Dictionary& dictionary) {
  std::string out;
  for (const auto& [name, value] : dictionary) {
    if (!out.empty()) out += '&';
    out += name + "=" + percentEncoded(value.description());
  }
  return out;
}

std::map<std::string, std::string> dictionaryFromQueryString(std::string_view query) {
  std::map<std::string, std::string> result;
  std::size_t start = 0;
  while (start <= query.size()) {
    std::size_t end = query.find('&', start);
    if (end == std::string_view::npos) end = query.size();
    std::string_view part = query.substr(start, end - start);
    if (!part.empty()) {
      std::size_t equals = part.find('=');
      std::string key = percentDecoded(part.substr(0, equals));
      std::string value = equals == std::string_view::npos ? std::string() : percentDecoded(part.substr(equals + 1));
      result.emplace(std::move(key), std::move(value));  // emplace keeps the first occurrence
    }
    start = end + 1;
  }
  return result;
}

}  // namespace sdk::analytics

