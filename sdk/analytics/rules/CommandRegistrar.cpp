#include "sdk/analytics/rules/CommandRegistrar.h"

#include <cmath>

#include "sdk/analytics/rules/ArrayCommandEvaluator.h"
#include "sdk/analytics/rules/BitwiseCommandEvaluator.h"
#include "sdk/analytics/rules/ComparisonCommandEvaluator.h"
#include "sdk/analytics/rules/ControlCommandEvaluator.h"
#include "sdk/analytics/rules/LogicalCommandEvaluator.h"
#include "sdk/analytics/rules/LoopCommandEvaluator.h"
#include "sdk/analytics/rules/MathCommandEvaluator.h"
#include "sdk/analytics/rules/VariableCommandEvaluator.h"
#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/StringCommandEvaluator.h"
#include "sdk/analytics/rules/ScriptEvaluator.h"
#include "sdk/analytics/rules/ScriptFunctionValue.h"
#include "sdk/analytics/rules/ScriptScope.h"
#include "sdk/analytics/rules/ScriptStatementValue.h"
#include "sdk/analytics/rules/ScriptText.h"

namespace sdk::analytics {

const CommandRegistrar& CommandRegistrar::sharedInstance() {
  static const CommandRegistrar* registrar = new CommandRegistrar();
  return *registrar;
}

CommandRegistrar::CommandRegistrar() {
  functionEntry_.evaluator = &functionEvaluator_;
  evaluators_.push_back(std::make_unique<BitwiseCommandEvaluator>());
  evaluators_.push_back(std::make_unique<ComparisonCommandEvaluator>());
  evaluators_.push_back(std::make_unique<ControlCommandEvaluator>());
  evaluators_.push_back(std::make_unique<LogicalCommandEvaluator>());
  evaluators_.push_back(std::make_unique<LoopCommandEvaluator>());
  evaluators_.push_back(std::make_unique<MathCommandEvaluator>());
  evaluators_.push_back(std::make_unique<VariableCommandEvaluator>());
  for (const auto& evaluator : evaluators_) registerEvaluator(*evaluator);
}

void CommandRegistrar::registerEvaluator(const CommandEvaluator& evaluator) {
  for (const auto& [opcode, handler] : evaluator.handlers()) commandEvaluators_[opcode] = {&evaluator, handler};
}

const CommandEntry& CommandRegistrar::entryForOpcode(const std::u16string& opcode) const {
  auto it = commandEvaluators_.find(opcode);
  return it == commandEvaluators_.end() ? functionEntry_ : it->second;
}

ErrorOr<ScriptValueRef> CommandRegistrar::evaluateStatement(const ScriptValue& value, ScriptScope& scope) const {
  return ScriptEvaluator::evaluateStatement(value, scope);
}

}  // namespace sdk::analytics

