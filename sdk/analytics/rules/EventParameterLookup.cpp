#include "sdk/analytics/rules/EventParameterLookup.h"

#include <algorithm>

namespace sdk::analytics {

EventParameterLookup::EventParameterLookup(const std::vector<std::string>& names, const Parameters& parameters)
    : parameters_(parameters), slots_(names.size()) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    auto found = parameters.find(names[i]);
    if (found == parameters.end()) continue;
    slots_[i].value = &found->second;
    if (const std::string* text = found->second.string()) slots_[i].text = CaselessText(*text);
  }
}

std::size_t EventParameterLookup::slotFor(std::vector<std::string>& names, const std::string& name) {
  auto found = std::find(names.begin(), names.end(), name);
  if (found != names.end()) return static_cast<std::size_t>(found - names.begin());
  names.push_back(name);
  return names.size() - 1;
}

}  // namespace sdk::analytics

