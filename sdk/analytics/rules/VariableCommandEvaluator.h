#pragma once

#include "sdk/analytics/rules/CommandEvaluator.h"

namespace sdk::analytics {

// Names and literals: declarations, assignments and reads of variables and properties, array and map
// literals, null, undefined and typeof.
class VariableCommandEvaluator final : public CommandEvaluator {
 public:
  VariableCommandEvaluator();
};

}  // namespace sdk::analytics
