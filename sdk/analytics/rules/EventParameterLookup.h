#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "sdk/analytics/foundation/AnalyticsValue.h"
#include "sdk/analytics/rules/CaselessText.h"

namespace sdk::analytics {

// The parameters that a group of event filters asks for, each looked up once per event instead of
// once per filter; string values keep their case folding for every filter that compares them.
class EventParameterLookup {
 public:
  // Slot i is the parameter named names[i]. `parameters` must outlive this.
  EventParameterLookup(const std::vector<std::string>& names, const Parameters& parameters);
  EventParameterLookup(const EventParameterLookup&) = delete;
  EventParameterLookup& operator=(const EventParameterLookup&) = delete;

  // nullptr when the event lacks the parameter.
  const AnalyticsValue* value(std::size_t slot) const { return slots_[slot].value; }
  // The slot's string value as compared (empty for other values).
  CaselessText& text(std::size_t slot) { return slots_[slot].text; }
  const Parameters& parameters() const { return parameters_; }

  // The slot of `name` in `names`, added at the end when new.
  static std::size_t slotFor(std::vector<std::string>& names, const std::string& name);

 private:
  struct Slot {
    const AnalyticsValue* value = nullptr;
    CaselessText text;
  };
  const Parameters& parameters_;
  std::vector<Slot> slots_;
};

}  // namespace sdk::analytics

