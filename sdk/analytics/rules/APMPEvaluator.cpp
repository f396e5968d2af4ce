#include "sdk/analytics/rules/APMPEvaluator.h"

#include <cmath>

#include "sdk/analytics/rules/APMPArrayCommandEvaluator.h"
#include "sdk/analytics/rules/APMPArrayValue.h"
#include "sdk/analytics/rules/APMPCommandHelpers.h"
#include "sdk/analytics/rules/APMPCommandRegistrar.h"
#include "sdk/analytics/rules/APMPFunctionValue.h"
#include "sdk/analytics/rules/APMPScope.h"
#include "sdk/analytics/rules/APMPStatementValue.h"
#include "sdk/analytics/rules/APMPStringCommandEvaluator.h"
#include "sdk/analytics/rules/CallFrame.h"
#include "sdk/analytics/rules/OperandList.h"

using sdk::analytics::Operand;

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

// A literal evaluates to itself; a number literal is taken as its number.
inline Operand literal(const APMPRuntimeValue& value) {
  if (value.kind() == APMPKind::Number) return Operand(static_cast<const APMPNumberValue&>(value).value());
  return Operand(APMPValueRef(const_cast<APMPRuntimeValue*>(&value)));
}

using sdk::analytics::SimpleOperand;
using sdk::analytics::SimpleStatement;

// Where a simple statement finds its names: the scope it runs in.
class ScopeNames {
 public:
  explicit ScopeNames(APMPScope& scope) : scope_(scope) {}
  APMPScope& scope() const { return scope_; }
  Operand operand(const SimpleOperand& name) const { return scope_.operandForName(name.bindingName(), name.cache); }
  // The name's number, when it holds one.
  bool number(const SimpleOperand& name, double& number) const {
    const auto* binding = scope_.bindingFor(name.bindingName(), name.cache);
    if (!binding) return false;
    if (!binding->value) {
      number = binding->number;
      return true;
    }
    if (binding->value->kind() != APMPKind::Number) return false;
    number = static_cast<const APMPNumberValue&>(*binding->value).value();
    return true;
  }
  bool assign(const Operand& value, const APMPStatementValue& statement) const {
    return scope_.assign(value, statement.bindingName(), statement.nameCache());
  }
  bool assignNumber(double number, const APMPStatementValue& statement) const {
    return scope_.assignNumber(number, statement.bindingName(), statement.nameCache());
  }

 private:
  APMPScope& scope_;
};

// The same for a call that made no scope: its parameters' slots, then its defining scope.
class FrameNames {
 public:
  explicit FrameNames(const sdk::analytics::CallFrame& frame) : frame_(frame), outer_(frame.definingScope()) {}
  APMPScope& scope() const { return outer_.scope(); }
  Operand operand(const SimpleOperand& name) const {
    if (const auto* slot = frame_.slotFor(*name.name, name.hash, name.cache)) return *slot;
    return outer_.operand(name);
  }
  bool number(const SimpleOperand& name, double& number) const {
    if (const auto* slot = frame_.slotFor(*name.name, name.hash, name.cache)) {
      if (!slot->isNumber()) return false;
      number = slot->number();
      return true;
    }
    return outer_.number(name, number);
  }
  bool assign(const Operand& value, const APMPStatementValue& statement) const {
    if (auto* slot = frame_.slotFor(statement.nameText(), statement.nameHash(), statement.nameCache())) {
      *slot = value;
      return true;
    }
    return outer_.assign(value, statement);
  }
  bool assignNumber(double number, const APMPStatementValue& statement) const {
    if (auto* slot = frame_.slotFor(statement.nameText(), statement.nameHash(), statement.nameCache())) {
      *slot = Operand(number);
      return true;
    }
    return outer_.assignNumber(number, statement);
  }

 private:
  const sdk::analytics::CallFrame& frame_;
  ScopeNames outer_;
};

template <typename Names>
Operand simpleValue(const SimpleOperand& operand, const Names& names) {
  switch (operand.type) {
    case SimpleOperand::Type::Number: return Operand(operand.number);
    case SimpleOperand::Type::Literal: return Operand(APMPValueRef(const_cast<APMPRuntimeValue*>(operand.literal)));
    case SimpleOperand::Type::Name: return names.operand(operand);
  }
  return Operand();
}

// The operand's number, when it is one.
template <typename Names>
inline bool simpleNumber(const SimpleOperand& operand, const Names& names, double& number) {
  if (operand.type == SimpleOperand::Type::Number) {
    number = operand.number;
    return true;
  }
  return operand.type == SimpleOperand::Type::Name && names.number(operand, number);
}

Operand operate(const APMPStatementValue& statement, Operand a, Operand b, APMPScope& scope, APMPError& error) {
  if (a.isNumber() && b.isNumber()) {
    if (statement.form() == APMPStatementForm::Comparison) {
      return Operand(APMPBoolean(compare(statement.operation(), a.number(), b.number())));
    }
    return Operand(arithmetic(statement.operation(), a.number(), b.number()));
  }
  auto& heap = APMPScopeHeap(scope);
  APMPValueRef operands[2] = {std::move(a).box(heap), std::move(b).box(heap)};
  return statement.command().handler(APMPArguments(operands, 2), scope, error);
}

template <typename Names>
Operand simpleOperation(const APMPStatementValue& statement, const Names& names, APMPError& error) {
  const auto& simple = statement.simple();
  double a = 0;
  double b = 0;
  if (simpleNumber(simple.operands[0], names, a) && simpleNumber(simple.operands[1], names, b)) {
    if (statement.form() == APMPStatementForm::Comparison) {
      return Operand(APMPBoolean(compare(statement.operation(), a, b)));
    }
    return Operand(arithmetic(statement.operation(), a, b));
  }
  auto first = simpleValue(simple.operands[0], names);
  auto second = simpleValue(simple.operands[1], names);
  return operate(statement, std::move(first), std::move(second), names.scope(), error);
}

template <typename Names>
Operand runSimple(const APMPStatementValue& statement, const Names& names, APMPError& error) {
  const auto& simple = statement.simple();
  Operand value;
  switch (simple.shape) {
    case SimpleStatement::Shape::Read:
      return simpleValue(simple.operands[0], names);
    case SimpleStatement::Shape::Operation:
      return simpleOperation(statement, names, error);
    case SimpleStatement::Shape::Assign:
      value = simpleValue(simple.operands[0], names);
      break;
    case SimpleStatement::Shape::AssignOperation: {
      // Arithmetic on numbers goes straight into the binding.
      const auto& operation = *simple.operation;
      double a = 0;
      double b = 0;
      if (operation.form() == APMPStatementForm::Arithmetic &&
          simpleNumber(operation.simple().operands[0], names, a) &&
          simpleNumber(operation.simple().operands[1], names, b)) {
        const double number = arithmetic(operation.operation(), a, b);
        if (names.assignNumber(number, statement)) return Operand(number);
        APMPSetError(error, kAPMPErrorUnboundAssignment);
        return Operand();
      }
      value = simpleOperation(operation, names, error);
      if (APMPFailed(error)) return Operand();
      break;
    }
    case SimpleStatement::Shape::None:
      return Operand();
  }
  if (!names.assign(value, statement)) {
    APMPSetError(error, kAPMPErrorUnboundAssignment);
    return Operand();
  }
  return value;
}

// Counts `steps` steps that nest `depth` levels at once, when nothing can stop them before their
// end; false when they must go one by one (near a limit, or with an error pending).
[[gnu::always_inline]] inline bool countAtOnce(int steps, int depth, APMPHeap& heap, const APMPError& error) {
  if (APMPFailed(error) || heap.exhausted() || !heap.depthAvailable(depth) || !heap.countInstructions(steps)) {
    return false;
  }
  if (heap.collectionDue()) heap.collect();
  return true;
}

inline bool countSimple(const APMPStatementValue& statement, APMPHeap& heap, const APMPError& error) {
  return countAtOnce(statement.simple().steps, statement.simple().depth, heap, error);
}

// An operand: a literal, or a statement through evaluate.
inline Operand evaluateOperand(const APMPRuntimeValue& argument, APMPHeap& heap, APMPScope& scope, APMPError& error) {
  if (argument.kind() != APMPKind::Statement) {
    if (!beginEvaluation(heap, error)) return Operand();
    return literal(argument);
  }
  return APMPEvaluator::evaluate(argument, scope, error);
}

inline bool hasOwnMethod(const APMPPropertyMap& properties, const std::u16string& name) {
  return properties.count() > 0 && properties.hasName(name);
}

// "push" with its arguments as the evaluator holds them: a computed number goes into its slot as a
// number. A number's object would have been made as its argument was evaluated, so its memory is
// held from then on and every later check sees what it would have seen.
Operand push(const APMPStatementValue& statement, APMPArrayValue& array, APMPArguments arguments, APMPHeap& heap,
             APMPScope& scope, APMPError& error) {
  sdk::analytics::OperandList values(arguments.size());
  std::size_t held = 0;
  auto hold = [&] {
    if (!values.span().back().isPlainNumber()) return;
    heap.holdMemory(APMPArrayValue::kNumberBytes);
    held += APMPArrayValue::kNumberBytes;
  };
  // A single literal or name cannot fail or make anything between its steps.
  if (arguments.size() == 1 && statement.hasLeafArguments() &&
      countAtOnce(statement.argumentSteps(), statement.argumentDepth(), heap, error)) {
    values.push(simpleValue(statement.leafArguments()[0], ScopeNames(scope)));
    hold();
  } else {
    for (const auto& argument : arguments) {
      values.push(APMPEvaluator::evaluateValue(*argument, scope, error));
      if (APMPFailed(error)) {
        heap.refundMemory(held);
        return Operand();
      }
      hold();
    }
  }
  const auto count = array.appendOperands(values.span(), held, error);
  if (APMPFailed(error)) return Operand();
  return Operand(static_cast<double>(count));
}

// `leadCounted`: the target, a literal name and the quote were counted with the statement.
Operand methodCall(const APMPStatementValue& statement, APMPHeap& heap, APMPScope& scope, APMPError& error,
                   bool leadCounted = false) {
  const auto& arguments = statement.arguments();
  APMPValueRef target;
  // A computed name is held here while the method runs.
  Operand computedName;
  const APMPRuntimeValue* name = arguments[1].get();
  if (leadCounted || (statement.leadSteps() && countAtOnce(statement.leadSteps(), 1, heap, error))) {
    // The target, a literal name and the quote: counted together, nothing between them can fail.
    target = simpleValue(statement.target(), ScopeNames(scope)).box(heap);
  } else {
    target = evaluateOperand(*arguments[0], heap, scope, error).box(heap);
    if (APMPFailed(error)) return Operand();
    computedName = evaluateOperand(*arguments[1], heap, scope, error);
    if (APMPFailed(error)) return Operand();
    name = computedName.object().get();
    // The quote is counted and nested as a statement; the array it would make holds only its own
    // arguments, which the method receives directly, with the copy's work and memory charged.
    if (!beginEvaluation(heap, error)) return Operand();
    if (!heap.depthAvailable(1)) {
      APMPSetError(error, kAPMPErrorLimitReached);
      return Operand();
    }
  }
  if (!name || name->kind() != APMPKind::String) {
    APMPSetError(error, kAPMPErrorArgumentType);
    return Operand();
  }
  const auto& quoted = static_cast<const APMPStatementValue&>(*arguments[2]).arguments();
  if (!heap.chargeWork(static_cast<std::int64_t>(quoted.size()), error) ||
      !heap.reserve(quoted.size() * sizeof(APMPValueRef), error)) {
    return Operand();
  }
  const auto& method = static_cast<const APMPStringValue&>(*name).value();
  // A literal method name was resolved with the program; an array's own function of that name
  // still comes first, as applyWithName has it.
  if (target->kind() == APMPKind::Array && statement.arrayMethod() &&
      !hasOwnMethod(static_cast<APMPArrayValue&>(*target).propertyMap(), method)) {
    auto* array = static_cast<APMPArrayValue*>(target.get());
    if (APMPArrayCommandEvaluator::isPush(statement.arrayMethod())) {
      return push(statement, *array, quoted, heap, scope, error);
    }
    return APMPArrayCommandEvaluator::sharedInstance().run(statement.arrayMethod(), APMPRef<APMPArrayValue>(array),
                                                           quoted, scope, error);
  }
  if (target->kind() == APMPKind::String && statement.stringMethod()) {
    return APMPStringCommandEvaluator::sharedInstance().run(
        statement.stringMethod(), static_cast<const APMPStringValue&>(*target).value(), quoted, scope, error);
  }
  return target->applyWithName(method, quoted, scope, error);
}

// A call of the function bound under the opcode's name. A script function takes its arguments as
// they are; a native one goes the general way.
// The function a call by name calls, or null when its name holds no function.
inline APMPFunctionValue* calledFunction(const APMPStatementValue& statement, const APMPScope& scope) {
  const auto* binding = scope.bindingFor(statement.bindingName(), statement.nameCache());
  if (!binding || !binding->value || binding->value->kind() != APMPKind::Function) return nullptr;
  return static_cast<APMPFunctionValue*>(binding->value.get());
}

// A call of a script function whose arguments are literals and names, counted already.
Operand callWithLeafArguments(const APMPStatementValue& statement, APMPFunctionValue& function, APMPScope& scope,
                              APMPError& error) {
  sdk::analytics::OperandList values(statement.arguments().size());
  for (const auto& operand : statement.leafArguments()) values.push(simpleValue(operand, ScopeNames(scope)));
  return function.call(values.span(), error);
}

Operand call(const APMPStatementValue& statement, APMPHeap& heap, APMPScope& scope, APMPError& error) {
  APMPRef<APMPFunctionValue> function(calledFunction(statement, scope));
  if (!function) return Operand();
  const auto& arguments = statement.arguments();
  if (function->isNative()) return function->invokeWithArguments(arguments, scope, error);
  if (statement.hasLeafArguments() && countAtOnce(statement.argumentSteps(), statement.argumentDepth(), heap, error)) {
    return callWithLeafArguments(statement, *function, scope, error);
  }
  sdk::analytics::OperandList values(arguments.size());
  for (const auto& argument : arguments) {
    values.push(evaluateOperand(*argument, heap, scope, error));
    if (APMPFailed(error)) return Operand();
  }
  return function->call(values.span(), error);
}

// An assignment whose name literal was counted: its value, then the write.
Operand assignValue(const APMPStatementValue& statement, APMPHeap& heap, APMPScope& scope, APMPError& error) {
  auto value = evaluateOperand(*statement.arguments()[1], heap, scope, error);
  if (APMPFailed(error)) return Operand();
  if (!scope.assign(value, statement.bindingName(), statement.nameCache())) {
    APMPSetError(error, kAPMPErrorUnboundAssignment);
    return Operand();
  }
  return value;
}

// The direct shapes; each evaluates its operands exactly as the opcode's handler would.
Operand runForm(const APMPStatementValue& statement, APMPHeap& heap, APMPScope& scope, APMPError& error) {
  const auto& arguments = statement.arguments();
  switch (statement.form()) {
    case APMPStatementForm::ReadName:
      if (!beginEvaluation(heap, error)) return Operand();
      return scope.operandForName(statement.bindingName(), statement.nameCache());
    case APMPStatementForm::AssignName:
      if (!beginEvaluation(heap, error)) return Operand();
      return assignValue(statement, heap, scope, error);
    case APMPStatementForm::QuotedCall:
      return methodCall(statement, heap, scope, error);
    case APMPStatementForm::Call:
      return call(statement, heap, scope, error);
    case APMPStatementForm::Arithmetic:
    case APMPStatementForm::Comparison: {
      auto a = evaluateOperand(*arguments[0], heap, scope, error);
      if (APMPFailed(error)) return Operand();
      auto b = evaluateOperand(*arguments[1], heap, scope, error);
      if (APMPFailed(error)) return Operand();
      return operate(statement, std::move(a), std::move(b), scope, error);
    }
    default: {
      const auto& entry = statement.command();
      if (!entry.handler) return entry.evaluator->evaluateCommand(statement.functionName(), arguments, scope, error);
      return entry.evaluator->run(entry.handler, arguments, scope, error);
    }
  }
}

// A return among a function's own statements: its value is the call's result, with no return
// value made to carry it there. Counted and nested as the statement would be.
Operand returnFromFunction(const APMPStatementValue& statement, APMPScope& scope, APMPError& error) {
  auto& heap = APMPScopeHeap(scope);
  // The return and a simple value: one more step, one more level.
  if (!statement.arguments().empty() && statement.arguments()[0]->kind() == APMPKind::Statement) {
    const auto& value = static_cast<const APMPStatementValue&>(*statement.arguments()[0]);
    const auto& simple = value.simple();
    if (simple.shape != SimpleStatement::Shape::None && countAtOnce(1 + simple.steps, 1 + simple.depth, heap, error)) {
      return runSimple(value, ScopeNames(scope), error);
    }
  }
  if (!beginEvaluation(heap, error)) return Operand();
  APMPDepthGuard depth(heap, error);
  if (!depth.entered()) return Operand();
  if (statement.arguments().empty()) return Operand();
  auto value = evaluateOperand(*statement.arguments()[0], heap, scope, error);
  if (APMPFailed(error)) return Operand();
  return value;
}

}  // namespace

Operand APMPEvaluator::evaluate(const APMPRuntimeValue& value, APMPScope& scope, APMPError& error) {
  auto& heap = APMPScopeHeap(scope);
  if (value.kind() == APMPKind::Statement) {
    const auto& statement = static_cast<const APMPStatementValue&>(value);
    if (statement.simple().shape != sdk::analytics::SimpleStatement::Shape::None && countSimple(statement, heap, error)) {
      return runSimple(statement, ScopeNames(scope), error);
    }
    // An assignment of what is not simple: the statement and its name literal are two steps with
    // nothing between them.
    if (statement.form() == APMPStatementForm::AssignName && countAtOnce(2, 1, heap, error)) {
      APMPDepthGuard depth(heap, error);
      return assignValue(statement, heap, scope, error);
    }
    // A call of a script function with literal and named arguments: the statement and its
    // arguments, one level deeper (the call holds itself while it runs).
    if (statement.form() == APMPStatementForm::Call && statement.hasLeafArguments()) {
      auto* function = calledFunction(statement, scope);
      if (function && !function->isNative() &&
          countAtOnce(1 + statement.argumentSteps(), 1 + statement.argumentDepth(), heap, error)) {
        APMPDepthGuard depth(heap, error);
        return callWithLeafArguments(statement, *function, scope, error);
      }
    }
    // So are a method call, its target when that is a literal or a name, a literal method name and
    // the quote, one level deeper.
    if (statement.leadSteps() && countAtOnce(1 + statement.leadSteps(), 2, heap, error)) {
      APMPDepthGuard depth(heap, error);
      return methodCall(statement, heap, scope, error, true);
    }
  }
  if (!beginEvaluation(heap, error)) return Operand();
  if (value.kind() != APMPKind::Statement) return literal(value);
  APMPDepthGuard depth(heap, error);
  if (!depth.entered()) return Operand();
  return runForm(static_cast<const APMPStatementValue&>(value), heap, scope, error);
}

bool APMPEvaluator::test(const APMPRuntimeValue& value, APMPScope& scope, APMPError& error) {
  if (value.kind() == APMPKind::Statement) {
    // A comparison of numbers answers without making its boolean value.
    const auto& statement = static_cast<const APMPStatementValue&>(value);
    const auto& simple = statement.simple();
    double a = 0;
    double b = 0;
    if (statement.form() == APMPStatementForm::Comparison && simple.shape == SimpleStatement::Shape::Operation &&
        countSimple(statement, APMPScopeHeap(scope), error)) {
      const ScopeNames names(scope);
      if (simpleNumber(simple.operands[0], names, a) && simpleNumber(simple.operands[1], names, b)) {
        return compare(statement.operation(), a, b);
      }
      auto first = simpleValue(simple.operands[0], names);
      auto second = simpleValue(simple.operands[1], names);
      const auto result = operate(statement, std::move(first), std::move(second), scope, error);
      return !APMPFailed(error) && result.truth(error) && !APMPFailed(error);
    }
  }
  const auto result = evaluate(value, scope, error);
  if (APMPFailed(error)) return false;
  const bool truth = result.truth(error);
  return !APMPFailed(error) && truth;
}

Operand APMPEvaluator::evaluateValue(const APMPRuntimeValue& value, APMPScope& scope, APMPError& error) {
  if (value.kind() != APMPKind::Statement) {
    // A literal is its own value: no new object for a number.
    if (!beginEvaluation(APMPScopeHeap(scope), error)) return Operand();
    return Operand(APMPValueRef(const_cast<APMPRuntimeValue*>(&value)));
  }
  return evaluate(value, scope, error);
}

APMPValueRef APMPEvaluator::evaluateStatement(const APMPRuntimeValue& value, APMPScope& scope, APMPError& error) {
  return evaluateValue(value, scope, error).box(APMPScopeHeap(scope));
}

Operand APMPEvaluator::execute(APMPArguments statements, APMPScope& scope, APMPError& error) {
  Operand result;
  for (const auto& statement : statements) {
    result = evaluate(*statement, scope, error);
    if (APMPFailed(error)) return Operand();
    if (result.kind() == APMPKind::Control) return result;
  }
  return result;
}

APMPValueRef APMPEvaluator::executeStatements(APMPArguments statements, APMPScope& scope, APMPError& error) {
  return execute(statements, scope, error).box(APMPScopeHeap(scope));
}

Operand APMPEvaluator::runFunctionBody(APMPArguments statements, APMPScope& scope, APMPError& error) {
  Operand result;
  for (const auto& statement : statements) {
    if (statement->kind() == APMPKind::Statement &&
        static_cast<const APMPStatementValue&>(*statement).form() == APMPStatementForm::Return) {
      return returnFromFunction(static_cast<const APMPStatementValue&>(*statement), scope, error);
    }
    result = evaluate(*statement, scope, error);
    if (APMPFailed(error)) return Operand();
    if (result.kind() == APMPKind::Control) {
      const auto& control = static_cast<const APMPControlValue&>(*result.object());
      if (control.type() == APMPControlValue::Type::Return) return Operand(control.data());
      return result;
    }
  }
  return result;
}

namespace {

// A return's value when it is a literal or a simple statement, with the steps and depth of the
// return and its value; null otherwise (and for a return of nothing).
const APMPRuntimeValue* simpleReturnValue(const APMPStatementValue& statement, int& steps, int& depth) {
  if (statement.arguments().empty()) {
    steps = 1;
    depth = 1;
    return nullptr;
  }
  const auto& value = *statement.arguments()[0];
  if (value.kind() != APMPKind::Statement) {
    steps = 2;
    depth = 1;
    return &value;
  }
  const auto& simple = static_cast<const APMPStatementValue&>(value).simple();
  if (simple.shape == SimpleStatement::Shape::None) return nullptr;
  steps = 1 + simple.steps;
  depth = 1 + simple.depth;
  return &value;
}

}  // namespace

bool APMPEvaluator::bindsNoName(APMPArguments statements) {
  for (const auto& value : statements) {
    if (value->kind() != APMPKind::Statement) continue;
    const auto& statement = static_cast<const APMPStatementValue&>(*value);
    int steps = 0;
    int depth = 0;
    if (statement.form() == APMPStatementForm::Return) {
      if (!statement.arguments().empty() && !simpleReturnValue(statement, steps, depth)) return false;
    } else if (statement.simple().shape == SimpleStatement::Shape::None) {
      return false;
    }
  }
  return true;
}

bool APMPEvaluator::runFrameless(APMPArguments statements, const sdk::analytics::CallFrame& frame, Operand& result,
                                 std::size_t& next, APMPError& error) {
  auto& heap = APMPScopeHeap(frame.definingScope());
  const FrameNames names(frame);
  result = Operand();
  for (next = 0; next < statements.size(); ++next) {
    const auto& value = *statements[next];
    if (value.kind() != APMPKind::Statement) {
      if (!countAtOnce(1, 0, heap, error)) return false;
      result = literal(value);
      continue;
    }
    const auto& statement = static_cast<const APMPStatementValue&>(value);
    if (statement.form() == APMPStatementForm::Return) {
      int steps = 0;
      int depth = 0;
      const auto* returned = simpleReturnValue(statement, steps, depth);
      if (!countAtOnce(steps, depth, heap, error)) return false;
      if (!returned) {
        result = Operand();
      } else if (returned->kind() != APMPKind::Statement) {
        result = literal(*returned);
      } else {
        result = runSimple(static_cast<const APMPStatementValue&>(*returned), names, error);
      }
      if (APMPFailed(error)) result = Operand();
      return true;
    }
    if (!countSimple(statement, heap, error)) return false;
    result = runSimple(statement, names, error);
    if (APMPFailed(error)) {
      result = Operand();
      return true;
    }
    // A variable may hold a control value a function returned; it ends the body as it would there.
    if (result.kind() == APMPKind::Control) {
      const auto& control = static_cast<const APMPControlValue&>(*result.object());
      if (control.type() == APMPControlValue::Type::Return) result = Operand(control.data());
      return true;
    }
  }
  return true;
}
