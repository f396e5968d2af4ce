#include "platform/net/URLRequest.h"

#include <algorithm>
#include <cctype>

namespace platform::net {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

HTTPHeaders::HTTPHeaders(std::initializer_list<Field> fields) {
  for (const auto& [name, value] : fields) set(name, value);
}

void HTTPHeaders::set(std::string_view name, std::string value) {
  auto found = std::find_if(fields_.begin(), fields_.end(), [&](const Field& f) { return equalsIgnoringCase(f.first, name); });
  if (found == fields_.end()) {
    fields_.emplace_back(std::string(name), std::move(value));
    return;
  }
  found->second = std::move(value);
  fields_.erase(std::remove_if(found + 1, fields_.end(), [&](const Field& f) { return equalsIgnoringCase(f.first, name); }),
                fields_.end());
}

void HTTPHeaders::add(std::string_view name, std::string_view value) {
  auto found = std::find_if(fields_.begin(), fields_.end(), [&](const Field& f) { return equalsIgnoringCase(f.first, name); });
  if (found == fields_.end()) {
    fields_.emplace_back(std::string(name), std::string(value));
  } else {
    found->second.append(", ").append(value);
  }
}

bool HTTPHeaders::remove(std::string_view name) {
  auto end = std::remove_if(fields_.begin(), fields_.end(), [&](const Field& f) { return equalsIgnoringCase(f.first, name); });
  bool removed = end != fields_.end();
  fields_.erase(end, fields_.end());
  return removed;
}

std::optional<std::string> HTTPHeaders::value(std::string_view name) const {
  for (const auto& [key, value] : fields_) {
    if (equalsIgnoringCase(key, name)) return value;
  }
  return std::nullopt;
}

}  // namespace platform::net
