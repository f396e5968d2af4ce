#pragma once

#include "sdk/analytics/rules/CommandEvaluator.h"

namespace sdk::analytics {

// The arithmetic opcodes: the four operations, the remainder and negation, "+" joining texts as well.
class MathCommandEvaluator final : public CommandEvaluator {
 public:
  MathCommandEvaluator();
};

}  // namespace sdk::analytics
