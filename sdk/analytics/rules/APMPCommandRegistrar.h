#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "sdk/analytics/rules/APMPCommandEvaluator.h"

// The opcode table: built once per process, never changed afterwards, so runtimes on different
// threads share it without locks.
class APMPCommandRegistrar {
 public:
  static const APMPCommandRegistrar& sharedInstance();

  // Counts the instruction, then dispatches a statement by opcode; other values evaluate to
  // themselves.
  APMPValueRef evaluateStatement(const APMPRuntimeValue& value, APMPScope& scope, APMPError& error) const;
  // The table row of an opcode; the function evaluator's row for opcodes nobody claims.
  const APMPCommandEntry& entryForOpcode(const std::u16string& opcode) const;

 private:
  APMPCommandRegistrar();
  void registerEvaluator(const APMPCommandEvaluator& evaluator);

  std::vector<std::unique_ptr<APMPCommandEvaluator>> evaluators_;
  std::unordered_map<std::u16string, APMPCommandEntry> commandEvaluators_;
  APMPFunctionEvaluator functionEvaluator_;
  APMPCommandEntry functionEntry_;
};
