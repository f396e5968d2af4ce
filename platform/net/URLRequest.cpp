#include "platform/net/URLRequest.h"

#include <algorithm>
#include <cctype>

namespace platform::net {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string percentEncoded(std::string_view text, std::string_view keep) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (letterOrDigit || (c != 0 && keep.find(ch) != std::string_view::npos)) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string normalizedBaseURL(std::string url) {
  while (!url.empty() && (url.back() == '/' || url.back() == ' ')) url.pop_back();
  for (std::string_view scheme : {"https://", "http://"}) {
    if (!url.starts_with(scheme)) continue;
    const std::size_t host = scheme.size();
    return host < url.size() && url[host] != '/' && url[host] != ':' ? url : "";
  }
  return "";
}

namespace {

// Field names match without regard to case, as HTTP has them.
auto named(std::string_view name) {
  return [name](const HTTPHeaders::Field& field) { return equalsIgnoringCase(field.first, name); };
}

}  // namespace

HTTPHeaders::HTTPHeaders(std::initializer_list<Field> fields) {
  for (const auto& [name, value] : fields) set(name, value);
}

void HTTPHeaders::set(std::string_view name, std::string value) {
  auto found = std::find_if(fields_.begin(), fields_.end(), named(name));
  if (found == fields_.end()) {
    fields_.emplace_back(std::string(name), std::move(value));
    return;
  }
  found->second = std::move(value);
  fields_.erase(std::remove_if(found + 1, fields_.end(), named(name)), fields_.end());
}

void HTTPHeaders::add(std::string_view name, std::string_view value) {
  auto found = std::find_if(fields_.begin(), fields_.end(), named(name));
  if (found == fields_.end()) {
    fields_.emplace_back(std::string(name), std::string(value));
  } else {
    found->second.append(", ").append(value);
  }
}

bool HTTPHeaders::remove(std::string_view name) {
  auto end = std::remove_if(fields_.begin(), fields_.end(), named(name));
  bool removed = end != fields_.end();
  fields_.erase(end, fields_.end());
  return removed;
}

std::optional<std::string> HTTPHeaders::value(std::string_view name) const {
  auto found = std::find_if(fields_.begin(), fields_.end(), named(name));
  return found == fields_.end() ? std::nullopt : std::optional<std::string>(found->second);
}

}  // namespace platform::net
