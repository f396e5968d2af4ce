#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sdk::analytics {

// A fixed table of public names and their internal forms, kept in its given order. Several public
// names may share one internal name; the reverse lookup answers the first of them in table order.
class NameTable {
 public:
  explicit NameTable(std::vector<std::pair<std::string, std::string>> pairs);

  std::optional<std::string> internalName(const std::string& publicName) const;
  std::optional<std::string> publicName(const std::string& internalName) const;
  bool containsPublicName(const std::string& publicName) const { return byPublic_.count(publicName) != 0; }
  const std::vector<std::pair<std::string, std::string>>& pairs() const { return pairs_; }
  std::size_t size() const { return pairs_.size(); }

 private:
  std::vector<std::pair<std::string, std::string>> pairs_;
  std::map<std::string, std::string> byPublic_;
  std::map<std::string, std::string> byInternal_;
};

// Each table is built once and shared.
const NameTable& publicToInternalEventNames();
// Reserved public event names that apps may still log.
const NameTable& reservedEventNameExemptions();
const NameTable& reservedUserPropertyNames();
const NameTable& publicToInternalParameterNames();

}  // namespace sdk::analytics

