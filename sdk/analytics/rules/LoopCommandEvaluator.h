#pragma once

#include "sdk/analytics/rules/CommandEvaluator.h"

namespace sdk::analytics {

// The loops: for-in and for-of (assigning, or declaring a constant or variable), a for whose
// variables each pass copies, and the general loop.
class LoopCommandEvaluator final : public CommandEvaluator {
 public:
  LoopCommandEvaluator();
};

}  // namespace sdk::analytics
