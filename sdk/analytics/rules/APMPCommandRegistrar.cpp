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

namespace {

// The steps every evaluation takes before its value is looked at: the instruction counted, the
// memory budget checked, and (a statement boundary being a safe point) a collection when one is due.
inline bool beginEvaluation(APMPHeap& heap, APMPError& error) {
  if (!heap.countInstruction(error) || APMPFailed(error)) return false;
  if (heap.exhausted()) {
    APMPSetError(error, kAPMPErrorLimitReached);
    return false;
  }
  // Every native frame holds what it works on through counted references, so a statement boundary
  // is a safe point to free the cycles a long run leaves behind.
  if (heap.collectionDue()) heap.collect();
  return true;
}

double arithmetic(APMPOperation operation, double a, double b) {
  switch (operation) {
    case APMPOperation::Add: return a + b;
    case APMPOperation::Subtract: return a - b;
    case APMPOperation::Multiply: return a * b;
    case APMPOperation::Divide: return a / b;
    default: return std::fmod(a, b);
  }
}

// Numbers compare as the comparison opcodes compare them: NaN makes every ordering false.
bool compare(APMPOperation operation, double a, double b) {
  switch (operation) {
    case APMPOperation::Less: return a < b;
    case APMPOperation::LessOrEqual: return a <= b;
    case APMPOperation::Greater: return a > b;
    case APMPOperation::GreaterOrEqual: return a >= b;
    case APMPOperation::StrictEqual: return a == b;
    default: return !(a == b);
  }
}

double numberOf(const APMPValueRef& value) { return static_cast<const APMPNumberValue&>(*value).value(); }

// An operand: a literal or a name read in place (with both of its instructions counted at once when
// nothing can stop it between them), anything else through evaluateStatement.
inline APMPValueRef evaluateOperand(const APMPValueRef& argument, APMPHeap& heap, APMPScope& scope, APMPError& error) {
  if (argument->kind() != APMPKind::Statement) {
    if (!beginEvaluation(heap, error)) return APMPUndefined();
    return argument;
  }
  const auto& statement = static_cast<const APMPStatementValue&>(*argument);
  if (statement.form() == APMPStatementForm::ReadName && !APMPFailed(error) && !heap.exhausted() &&
      heap.depthAvailable(1) && heap.countInstructions(2)) {
    if (heap.collectionDue()) heap.collect();
    return APMPValueRef(scope.valueForName(statement.name()));
  }
  return APMPEvaluator::evaluateStatement(statement, scope, error);
}

// The direct shapes; each evaluates its operands exactly as the opcode's handler would.
APMPValueRef runForm(const APMPStatementValue& statement, APMPHeap& heap, APMPScope& scope, APMPError& error) {
  const auto& arguments = statement.arguments();
  switch (statement.form()) {
    case APMPStatementForm::ReadName:
      if (!beginEvaluation(heap, error)) return APMPUndefined();
      return APMPValueRef(scope.valueForName(statement.name()));
    case APMPStatementForm::AssignName: {
      if (!beginEvaluation(heap, error)) return APMPUndefined();
      auto value = evaluateOperand(arguments[1], heap, scope, error);
      if (APMPFailed(error)) return APMPUndefined();
      if (!scope.assign(value, statement.name())) {
        APMPSetError(error, kAPMPErrorUnboundAssignment);
        return APMPUndefined();
      }
      return value;
    }
    case APMPStatementForm::QuotedCall: {
      auto target = evaluateOperand(arguments[0], heap, scope, error);
      if (APMPFailed(error)) return APMPUndefined();
      auto name = evaluateOperand(arguments[1], heap, scope, error);
      if (APMPFailed(error)) return APMPUndefined();
      // The quote is counted and nested as a statement; the array it would make holds only its own
      // arguments, which the method receives directly, with the copy's work and memory charged.
      if (!beginEvaluation(heap, error)) return APMPUndefined();
      if (!heap.depthAvailable(1)) {
        APMPSetError(error, kAPMPErrorLimitReached);
        return APMPUndefined();
      }
      if (name->kind() != APMPKind::String) {
        APMPSetError(error, kAPMPErrorArgumentType);
        return APMPUndefined();
      }
      const auto& quoted = static_cast<const APMPStatementValue&>(*arguments[2]).arguments();
      if (!heap.chargeWork(static_cast<std::int64_t>(quoted.size()), error) ||
          !heap.reserve(quoted.size() * sizeof(APMPValueRef), error)) {
        return APMPUndefined();
      }
      const auto& method = static_cast<const APMPStringValue&>(*name).value();
      // A literal method name was resolved with the program; an array's own function of that name
      // still comes first, as applyWithName has it.
      if (target->kind() == APMPKind::Array && statement.arrayMethod() &&
          !static_cast<APMPArrayValue&>(*target).propertyMap().hasName(method)) {
        return APMPArrayCommandEvaluator::sharedInstance().run(
            statement.arrayMethod(), APMPRef<APMPArrayValue>(static_cast<APMPArrayValue*>(target.get())), quoted,
            scope, error);
      }
      if (target->kind() == APMPKind::String && statement.stringMethod()) {
        return APMPStringCommandEvaluator::sharedInstance().run(
            statement.stringMethod(), static_cast<const APMPStringValue&>(*target).value(), quoted, scope, error);
      }
      return target->applyWithName(method, quoted, scope, error);
    }
    default: {
      APMPValueRef operands[2];
      operands[0] = evaluateOperand(arguments[0], heap, scope, error);
      if (APMPFailed(error)) return APMPUndefined();
      operands[1] = evaluateOperand(arguments[1], heap, scope, error);
      if (APMPFailed(error)) return APMPUndefined();
      if (operands[0]->kind() == APMPKind::Number && operands[1]->kind() == APMPKind::Number) {
        const double a = numberOf(operands[0]);
        const double b = numberOf(operands[1]);
        if (statement.form() == APMPStatementForm::Comparison) return APMPBoolean(compare(statement.operation(), a, b));
        return APMPNumber(heap, arithmetic(statement.operation(), a, b));
      }
      return statement.command().handler(APMPArguments(operands, 2), scope, error);
    }
  }
}

}  // namespace

APMPValueRef APMPEvaluator::evaluateStatement(const APMPRuntimeValue& value, APMPScope& scope, APMPError& error) {
  auto& heap = APMPScopeHeap(scope);
  if (!beginEvaluation(heap, error)) return APMPUndefined();
  if (value.kind() != APMPKind::Statement) return APMPValueRef(const_cast<APMPRuntimeValue*>(&value));
  APMPDepthGuard depth(heap, error);
  if (!depth.entered()) return APMPUndefined();
  const auto& statement = static_cast<const APMPStatementValue&>(value);
  if (statement.form() != APMPStatementForm::Generic) return runForm(statement, heap, scope, error);
  const auto& entry = statement.command();
  if (!entry.handler) return entry.evaluator->evaluateCommand(statement.functionName(), statement.arguments(), scope, error);
  return entry.evaluator->run(entry.handler, statement.arguments(), scope, error);
}

APMPValueRef APMPEvaluator::executeStatements(APMPArguments statements, APMPScope& scope, APMPError& error) {
  APMPValueRef result = APMPUndefined();
  for (const auto& statement : statements) {
    result = evaluateStatement(*statement, scope, error);
    if (APMPFailed(error)) return APMPUndefined();
    if (result->kind() == APMPKind::Control) return result;
  }
  return result;
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
