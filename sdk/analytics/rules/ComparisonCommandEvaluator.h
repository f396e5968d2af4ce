#pragma once

#include "sdk/analytics/rules/CommandEvaluator.h"

namespace sdk::analytics {

// The comparisons (==, !=, ===, !==, <, <=, >, >=), each of exactly two operands.
class ComparisonCommandEvaluator final : public CommandEvaluator {
 public:
  ComparisonCommandEvaluator();
};

}  // namespace sdk::analytics
