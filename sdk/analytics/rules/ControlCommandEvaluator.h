#pragma once

#include "sdk/analytics/rules/CommandEvaluator.h"

namespace sdk::analytics {

// The statements that steer a program: blocks, sequences, if, ?:, switch, return, break, continue,
// quoting, functions and method calls.
class ControlCommandEvaluator final : public CommandEvaluator {
 public:
  ControlCommandEvaluator();
};

}  // namespace sdk::analytics
