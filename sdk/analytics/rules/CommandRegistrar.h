#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "sdk/analytics/rules/CommandEvaluator.h"
#include "sdk/analytics/rules/FunctionCallEvaluator.h"

namespace sdk::analytics {

// The opcode table: built once per process, never changed afterwards, so runtimes on different
// threads share it without locks.
class CommandRegistrar {
 public:
  static const CommandRegistrar& sharedInstance();

  // Counts the instruction, then dispatches a statement by opcode; other values evaluate to
  // themselves.
  ErrorOr<ScriptValueRef> evaluateStatement(const ScriptValue& value, ScriptScope& scope) const;
  // The table row of an opcode; the function evaluator's row for opcodes nobody claims.
  const CommandEntry& entryForOpcode(const std::u16string& opcode) const;

 private:
  CommandRegistrar();
  void registerEvaluator(const CommandEvaluator& evaluator);

  std::vector<std::unique_ptr<CommandEvaluator>> evaluators_;
  std::unordered_map<std::u16string, CommandEntry> commandEvaluators_;
  FunctionCallEvaluator functionEvaluator_;
  CommandEntry functionEntry_;
};

}  // namespace sdk::analytics

