#pragma once

#include "sdk/analytics/rules/CommandEvaluator.h"

namespace sdk::analytics {

// The logical operators (&&, ||, !), which evaluate their operands only as far as the answer needs.
class LogicalCommandEvaluator final : public CommandEvaluator {
 public:
  LogicalCommandEvaluator();
};

}  // namespace sdk::analytics
