#include "sdk/analytics/rules/APMPCommandRegistrar.h"

#include <cmath>

#include "sdk/analytics/rules/APMPArrayCommandEvaluator.h"
#include "sdk/analytics/rules/APMPCommandHelpers.h"
#include "sdk/analytics/rules/APMPStringCommandEvaluator.h"
#include "sdk/analytics/rules/APMPEvaluator.h"
#include "sdk/analytics/rules/APMPFunctionValue.h"
#include "sdk/analytics/rules/APMPScope.h"
#include "sdk/analytics/rules/APMPStatementValue.h"
#include "sdk/analytics/rules/APMPText.h"

const APMPCommandRegistrar& APMPCommandRegistrar::sharedInstance() {
  static const APMPCommandRegistrar* registrar = new APMPCommandRegistrar();
  return *registrar;
}

APMPCommandRegistrar::APMPCommandRegistrar() {
  functionEntry_.evaluator = &functionEvaluator_;
  evaluators_.push_back(std::make_unique<APMPBitwiseCommandEvaluator>());
  evaluators_.push_back(std::make_unique<APMPComparisonCommandEvaluator>());
  evaluators_.push_back(std::make_unique<APMPControlCommandEvaluator>());
  evaluators_.push_back(std::make_unique<APMPLogicalCommandEvaluator>());
  evaluators_.push_back(std::make_unique<APMPLoopCommandEvaluator>());
  evaluators_.push_back(std::make_unique<APMPMathCommandEvaluator>());
  evaluators_.push_back(std::make_unique<APMPVariableCommandEvaluator>());
  for (const auto& evaluator : evaluators_) registerEvaluator(*evaluator);
}

void APMPCommandRegistrar::registerEvaluator(const APMPCommandEvaluator& evaluator) {
  for (const auto& [opcode, handler] : evaluator.handlers()) commandEvaluators_[opcode] = {&evaluator, handler};
}

const APMPCommandEntry& APMPCommandRegistrar::entryForOpcode(const std::u16string& opcode) const {
  auto it = commandEvaluators_.find(opcode);
  return it == commandEvaluators_.end() ? functionEntry_ : it->second;
}

APMPValueRef APMPCommandRegistrar::evaluateStatement(const APMPRuntimeValue& value, APMPScope& scope,
                                                     APMPError& error) const {
  return APMPEvaluator::evaluateStatement(value, scope, error);
}

// Evaluators.

void APMPCommandEvaluator::add(const char* opcode, APMPCommandHandler handler) {
  auto name = APMPLiteral(opcode);
  handlers_[name] = handler;
  order_.push_back(std::move(name));
}

std::vector<std::u16string> APMPCommandEvaluator::allSupportedCommands() const { return order_; }

APMPValueRef APMPCommandEvaluator::evaluateCommand(const std::u16string& opcode, const APMPValueList& arguments,
                                                   APMPScope& scope, APMPError& error) const {
  auto it = handlers_.find(opcode);
  if (it == handlers_.end()) return APMPUndefined();
  return run(it->second, arguments, scope, error);
}

APMPValueRef APMPCommandEvaluator::run(APMPCommandHandler handler, APMPArguments arguments, APMPScope& scope,
                                       APMPError& error) const {
  switch (convention_) {
    case Convention::ExactlyTwoEvaluated:
      if (arguments.size() != 2) {
        APMPSetError(error, kAPMPErrorArgumentCount);
        return APMPUndefined();
      }
      [[fallthrough]];
    case Convention::EvaluatesArguments: {
      return APMPWithEvaluatedArguments(arguments, scope, error,
                                        [&](APMPArguments values) { return handler(values, scope, error); });
    }
    case Convention::Raw:
      return handler(arguments, scope, error);
  }
  return APMPUndefined();
}

APMPValueRef APMPFunctionEvaluator::evaluateCommand(const std::u16string& opcode, const APMPValueList& arguments,
                                                    APMPScope& scope, APMPError& error) const {
  auto* binding = scope.valueForName(opcode);
  if (binding->kind() != APMPKind::Function) return APMPUndefined();
  APMPRef<APMPFunctionValue> function(static_cast<APMPFunctionValue*>(binding));
  return function->invokeWithArguments(arguments, scope, error);
}
