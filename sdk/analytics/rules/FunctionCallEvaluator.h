#pragma once

#include <string>

#include "sdk/analytics/rules/CommandEvaluator.h"

namespace sdk::analytics {

// The fallback for opcodes no evaluator claims: a call of the scope's function of that name.
class FunctionCallEvaluator final : public CommandEvaluator {
 public:
  FunctionCallEvaluator() : CommandEvaluator(Convention::Raw) {}
  ErrorOr<ScriptValueRef> evaluateCommand(const std::u16string& opcode, const ScriptValueList& arguments, ScriptScope& scope) const override;
};

}  // namespace sdk::analytics
