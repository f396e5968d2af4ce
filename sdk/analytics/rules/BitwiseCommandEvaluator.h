#pragma once

#include "sdk/analytics/rules/CommandEvaluator.h"

namespace sdk::analytics {

// The bitwise operators (&, |, ^, ~, <<, >>, >>>) on their operands' 32-bit integers.
class BitwiseCommandEvaluator final : public CommandEvaluator {
 public:
  BitwiseCommandEvaluator();
};

}  // namespace sdk::analytics
