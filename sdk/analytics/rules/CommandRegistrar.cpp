#include "sdk/analytics/rules/CommandRegistrar.h"

#include <cmath>

#include "sdk/analytics/rules/ArrayCommandEvaluator.h"
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

// Evaluators.

void CommandEvaluator::add(const char* opcode, CommandHandler handler) {
  auto name = utf16Literal(opcode);
  handlers_[name] = handler;
  order_.push_back(std::move(name));
}

std::vector<std::u16string> CommandEvaluator::allSupportedCommands() const { return order_; }

ErrorOr<ScriptValueRef> CommandEvaluator::evaluateCommand(const std::u16string& opcode, const ScriptValueList& arguments,
                                                   ScriptScope& scope) const {
  auto it = handlers_.find(opcode);
  if (it == handlers_.end()) return ScriptValueRef(scriptUndefined());
  return run(it->second, arguments, scope);
}

ErrorOr<ScriptValueRef> CommandEvaluator::run(CommandHandler handler, ScriptArguments arguments, ScriptScope& scope) const {
  switch (convention_) {
    case Convention::ExactlyTwoEvaluated:
      if (arguments.size() != 2) return scriptError(kScriptErrorArgumentCount);
      [[fallthrough]];
    case Convention::EvaluatesArguments: {
      return withEvaluatedArguments(arguments, scope, [&](ScriptArguments values) { return handler(values, scope); });
    }
    case Convention::Raw:
      return handler(arguments, scope);
  }
  return ScriptValueRef(scriptUndefined());
}

ErrorOr<ScriptValueRef> FunctionCallEvaluator::evaluateCommand(const std::u16string& opcode, const ScriptValueList& arguments,
                                                    ScriptScope& scope) const {
  auto* binding = scope.valueForName(opcode);
  if (binding->kind() != ScriptValueKind::Function) return ScriptValueRef(scriptUndefined());
  ScriptRef<ScriptFunctionValue> function(static_cast<ScriptFunctionValue*>(binding));
  return function->invokeWithArguments(arguments, scope);
}

}  // namespace sdk::analytics

