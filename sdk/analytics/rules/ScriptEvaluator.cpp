#include "sdk/analytics/rules/ScriptEvaluator.h"

#include <cmath>

#include "sdk/analytics/rules/ArrayCommandEvaluator.h"
#include "sdk/analytics/rules/ScriptArrayValue.h"
#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/CommandRegistrar.h"
#include "sdk/analytics/rules/ScriptFunctionValue.h"
#include "sdk/analytics/rules/ScriptScope.h"
#include "sdk/analytics/rules/ScriptStatementValue.h"
#include "sdk/analytics/rules/StringCommandEvaluator.h"
#include "sdk/analytics/rules/CallFrame.h"
#include "sdk/analytics/rules/OperandList.h"

namespace sdk::analytics {

using sdk::analytics::Operand;

namespace {

// The steps every evaluation takes before its value is looked at: the instruction counted, the
// memory budget checked, and (a statement boundary being a safe point) a collection when one is due.
inline ErrorOr<void> beginEvaluation(ScriptHeap& heap) {
  TRY(heap.countInstruction());
  if (heap.exhausted()) return scriptError(kScriptErrorLimitReached);
  // Every native frame holds what it works on through counted references, so a statement boundary
  // is a safe point to free the cycles a long run leaves behind.
  if (heap.collectionDue()) heap.collect();
  return {};
}

[[gnu::always_inline]] inline double arithmetic(BinaryOperation operation, double a, double b) {
  switch (operation) {
    case BinaryOperation::Add: return a + b;
    case BinaryOperation::Subtract: return a - b;
    case BinaryOperation::Multiply: return a * b;
    case BinaryOperation::Divide: return a / b;
    default: return scriptRemainder(a, b);
  }
}

// Numbers compare as the comparison opcodes compare them: NaN makes every ordering false.
[[gnu::always_inline]] inline bool compare(BinaryOperation operation, double a, double b) {
  switch (operation) {
    case BinaryOperation::Less: return a < b;
    case BinaryOperation::LessOrEqual: return a <= b;
    case BinaryOperation::Greater: return a > b;
    case BinaryOperation::GreaterOrEqual: return a >= b;
    case BinaryOperation::StrictEqual: return a == b;
    default: return !(a == b);
  }
}

// A literal evaluates to itself; a number literal is taken as its number.
inline Operand literal(const ScriptValue& value) {
  if (value.kind() == ScriptValueKind::Number) return Operand(static_cast<const ScriptNumberValue&>(value).value());
  return Operand(ScriptValueRef(const_cast<ScriptValue*>(&value)));
}

using sdk::analytics::SimpleOperand;
using sdk::analytics::SimpleStatement;

// Where a simple statement finds its names: the scope it runs in.
class ScopeNames {
 public:
  explicit ScopeNames(ScriptScope& scope) : scope_(scope) {}
  ScriptScope& scope() const { return scope_; }
  Operand operand(const SimpleOperand& name) const {
    return scope_.operandForName(name.cache, [&] { return name.bindingName(); });
  }
  // The name's number, when it holds one.
  [[gnu::always_inline]] bool number(const SimpleOperand& name, double& number) const {
    const auto* binding = scope_.bindingFor(name.cache, [&] { return name.bindingName(); });
    if (!binding) return false;
    if (!binding->value) {
      number = binding->number;
      return true;
    }
    if (binding->value->kind() != ScriptValueKind::Number) return false;
    number = static_cast<const ScriptNumberValue&>(*binding->value).value();
    return true;
  }
  [[gnu::always_inline]] bool assign(const Operand& value, const ScriptStatementValue& statement) const {
    return scope_.assign(value, statement.nameCache(), [&] { return statement.bindingName(); });
  }
  [[gnu::always_inline]] bool assignNumber(double number, const ScriptStatementValue& statement) const {
    return scope_.assignNumber(number, statement.nameCache(), [&] { return statement.bindingName(); });
  }

 private:
  ScriptScope& scope_;
};

// The same for a call that made no scope: its parameters' slots, then its defining scope.
class FrameNames {
 public:
  explicit FrameNames(const sdk::analytics::CallFrame& frame) : frame_(frame), outer_(frame.definingScope()) {}
  ScriptScope& scope() const { return outer_.scope(); }
  Operand operand(const SimpleOperand& name) const {
    if (const auto* slot = frame_.slotFor(*name.name, name.hash, name.cache)) return *slot;
    return outer_.operand(name);
  }
  [[gnu::always_inline]] bool number(const SimpleOperand& name, double& number) const {
    if (const auto* slot = frame_.slotFor(*name.name, name.hash, name.cache)) {
      if (!slot->isNumber()) return false;
      number = slot->number();
      return true;
    }
    return outer_.number(name, number);
  }
  bool assign(const Operand& value, const ScriptStatementValue& statement) const {
    if (auto* slot = frame_.slotFor(statement.nameText(), statement.nameHash(), statement.nameCache())) {
      *slot = value;
      return true;
    }
    return outer_.assign(value, statement);
  }
  bool assignNumber(double number, const ScriptStatementValue& statement) const {
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
    case SimpleOperand::Type::Literal: return Operand(ScriptValueRef(const_cast<ScriptValue*>(operand.literal)));
    case SimpleOperand::Type::Name: return names.operand(operand);
  }
  return Operand();
}

// The operand's number, when it is one.
template <typename Names>
[[gnu::always_inline]] inline bool simpleNumber(const SimpleOperand& operand, const Names& names, double& number) {
  if (operand.type == SimpleOperand::Type::Number) {
    number = operand.number;
    return true;
  }
  return operand.type == SimpleOperand::Type::Name && names.number(operand, number);
}

ErrorOr<Operand> operate(const ScriptStatementValue& statement, Operand a, Operand b, ScriptScope& scope) {
  if (a.isNumber() && b.isNumber()) {
    if (statement.form() == StatementForm::Comparison) {
      return Operand(scriptBoolean(compare(statement.operation(), a.number(), b.number())));
    }
    return Operand(arithmetic(statement.operation(), a.number(), b.number()));
  }
  auto& heap = heapOfScope(scope);
  ScriptValueRef operands[2] = {std::move(a).box(heap), std::move(b).box(heap)};
  return Operand(TRY(statement.command().handler(ScriptArguments(operands, 2), scope)));
}

template <typename Names>
[[gnu::always_inline]] inline ErrorOr<Operand> simpleOperation(const ScriptStatementValue& statement, const Names& names) {
  const auto& simple = statement.simple();
  double a = 0;
  double b = 0;
  if (simpleNumber(simple.operands[0], names, a) && simpleNumber(simple.operands[1], names, b)) {
    if (statement.form() == StatementForm::Comparison) {
      return Operand(scriptBoolean(compare(statement.operation(), a, b)));
    }
    return Operand(arithmetic(statement.operation(), a, b));
  }
  auto first = simpleValue(simple.operands[0], names);
  auto second = simpleValue(simple.operands[1], names);
  return operate(statement, std::move(first), std::move(second), names.scope());
}

// The write of a simple assignment, and its value as the statement's result.
template <typename Names>
ErrorOr<Operand> assignSimple(Operand value, const ScriptStatementValue& statement, const Names& names) {
  if (!names.assign(value, statement)) return scriptError(kScriptErrorUnboundAssignment);
  return value;
}

template <typename Names>
ErrorOr<Operand> runSimple(const ScriptStatementValue& statement, const Names& names) {
  const auto& simple = statement.simple();
  switch (simple.shape) {
    case SimpleStatement::Shape::Read:
      return simpleValue(simple.operands[0], names);
    case SimpleStatement::Shape::Operation:
      return simpleOperation(statement, names);
    case SimpleStatement::Shape::Assign:
      return assignSimple(simpleValue(simple.operands[0], names), statement, names);
    case SimpleStatement::Shape::AssignOperation: {
      // Arithmetic on numbers goes straight into the binding.
      const auto& operation = *simple.operation;
      double a = 0;
      double b = 0;
      if (operation.form() == StatementForm::Arithmetic &&
          simpleNumber(operation.simple().operands[0], names, a) &&
          simpleNumber(operation.simple().operands[1], names, b)) {
        const double number = arithmetic(operation.operation(), a, b);
        if (names.assignNumber(number, statement)) return Operand(number);
        return scriptError(kScriptErrorUnboundAssignment);
      }
      return assignSimple(TRY(simpleOperation(operation, names)), statement, names);
    }
    case SimpleStatement::Shape::None:
      break;
  }
  return Operand();
}

// Counts `steps` steps that nest `depth` levels at once, when nothing can stop them before their
// end; false when they must go one by one (near a limit).
[[gnu::always_inline]] inline bool countAtOnce(int steps, int depth, ScriptHeap& heap) {
  if (heap.exhausted() || !heap.depthAvailable(depth) || !heap.countInstructions(steps)) {
    return false;
  }
  if (heap.collectionDue()) heap.collect();
  return true;
}

inline bool countSimple(const ScriptStatementValue& statement, ScriptHeap& heap) {
  return countAtOnce(statement.simple().steps, statement.simple().depth, heap);
}

// An operand: a literal, or a statement through evaluate.
inline ErrorOr<Operand> evaluateOperand(const ScriptValue& argument, ScriptHeap& heap, ScriptScope& scope) {
  if (argument.kind() != ScriptValueKind::Statement) {
    TRY(beginEvaluation(heap));
    return literal(argument);
  }
  return ScriptEvaluator::evaluate(argument, scope);
}

inline bool hasOwnMethod(const ScriptPropertyMap& properties, const std::u16string& name) {
  return properties.count() > 0 && properties.hasName(name);
}

// "push" with its arguments as the evaluator holds them: a computed number goes into its slot as a
// number. A number's object would have been made as its argument was evaluated, so its memory is
// held from then on and every later check sees what it would have seen.
ErrorOr<Operand> push(const ScriptStatementValue& statement, ScriptArrayValue& array, ScriptArguments arguments,
                      ScriptHeap& heap, ScriptScope& scope) {
  sdk::analytics::OperandList values(arguments.size());
  std::size_t held = 0;
  auto hold = [&] {
    if (!values.span().back().isPlainNumber()) return;
    heap.holdMemory(ScriptArrayValue::kNumberBytes);
    held += ScriptArrayValue::kNumberBytes;
  };
  // A single literal or name cannot fail or make anything between its steps.
  if (arguments.size() == 1 && statement.hasLeafArguments() &&
      countAtOnce(statement.argumentSteps(), statement.argumentDepth(), heap)) {
    auto value = simpleValue(statement.leafArguments()[0], ScopeNames(scope));
    if (value.isPlainNumber()) return Operand(static_cast<double>(TRY(array.appendNumber(value.number()))));
    values.push(std::move(value));
  } else {
    for (const auto& argument : arguments) {
      auto value = ScriptEvaluator::evaluateValue(*argument, scope);
      if (!value.ok()) {
        heap.refundMemory(held);
        return std::move(value).releaseError();
      }
      values.push(std::move(value).value());
      hold();
    }
  }
  const auto count = TRY(array.appendOperands(values.span(), held));
  return Operand(static_cast<double>(count));
}

// `leadCounted`: the target, a literal name and the quote were counted with the statement.
ErrorOr<Operand> methodCall(const ScriptStatementValue& statement, ScriptHeap& heap, ScriptScope& scope,
                            bool leadCounted = false) {
  const auto& arguments = statement.arguments();
  ScriptValueRef target;
  // A computed name is held here while the method runs.
  Operand computedName;
  const ScriptValue* name = arguments[1].get();
  if (leadCounted || (statement.leadSteps() && countAtOnce(statement.leadSteps(), 1, heap))) {
    // The target, a literal name and the quote: counted together, nothing between them can fail.
    target = simpleValue(statement.target(), ScopeNames(scope)).box(heap);
  } else {
    target = TRY(evaluateOperand(*arguments[0], heap, scope)).box(heap);
    computedName = TRY(evaluateOperand(*arguments[1], heap, scope));
    name = computedName.object().get();
    // The quote is counted and nested as a statement; the array it would make holds only its own
    // arguments, which the method receives directly, with the copy's work and memory charged.
    TRY(beginEvaluation(heap));
    if (!heap.depthAvailable(1)) return scriptError(kScriptErrorLimitReached);
  }
  if (!name || name->kind() != ScriptValueKind::String) return scriptError(kScriptErrorArgumentType);
  const auto& quoted = static_cast<const ScriptStatementValue&>(*arguments[2]).arguments();
  TRY(heap.chargeWork(static_cast<std::int64_t>(quoted.size())));
  TRY(heap.reserve(quoted.size() * sizeof(ScriptValueRef)));
  const auto& method = static_cast<const ScriptStringValue&>(*name).value();
  // A literal method name was resolved with the program; an array's own function of that name
  // still comes first, as applyWithName has it.
  if (target->kind() == ScriptValueKind::Array && statement.arrayMethod() &&
      !hasOwnMethod(static_cast<ScriptArrayValue&>(*target).propertyMap(), method)) {
    auto* array = static_cast<ScriptArrayValue*>(target.get());
    if (ArrayCommandEvaluator::isPush(statement.arrayMethod())) {
      return push(statement, *array, quoted, heap, scope);
    }
    return Operand(TRY(ArrayCommandEvaluator::sharedInstance().run(statement.arrayMethod(),
                                                                   ScriptRef<ScriptArrayValue>(array), quoted, scope)));
  }
  if (target->kind() == ScriptValueKind::String && statement.stringMethod()) {
    return Operand(TRY(StringCommandEvaluator::sharedInstance().run(
        statement.stringMethod(), static_cast<const ScriptStringValue&>(*target).value(), quoted, scope)));
  }
  return Operand(TRY(target->applyWithName(method, quoted, scope)));
}

// A call of the function bound under the opcode's name. A script function takes its arguments as
// they are; a native one goes the general way.
// The function a call by name calls, or null when its name holds no function.
inline ScriptFunctionValue* calledFunction(const ScriptStatementValue& statement, const ScriptScope& scope) {
  const auto* binding = scope.bindingFor(statement.nameCache(), [&] { return statement.bindingName(); });
  if (!binding || !binding->value || binding->value->kind() != ScriptValueKind::Function) return nullptr;
  return static_cast<ScriptFunctionValue*>(binding->value.get());
}

// A call of a script function whose arguments are literals and names, counted already.
ErrorOr<Operand> callWithLeafArguments(const ScriptStatementValue& statement, ScriptFunctionValue& function,
                                       ScriptScope& scope) {
  sdk::analytics::OperandList values(statement.arguments().size());
  for (const auto& operand : statement.leafArguments()) values.push(simpleValue(operand, ScopeNames(scope)));
  return function.call(values.span());
}

ErrorOr<Operand> call(const ScriptStatementValue& statement, ScriptHeap& heap, ScriptScope& scope) {
  ScriptRef<ScriptFunctionValue> function(calledFunction(statement, scope));
  if (!function) return Operand();
  const auto& arguments = statement.arguments();
  if (function->isNative()) return Operand(TRY(function->invokeWithArguments(arguments, scope)));
  if (statement.hasLeafArguments() && countAtOnce(statement.argumentSteps(), statement.argumentDepth(), heap)) {
    return callWithLeafArguments(statement, *function, scope);
  }
  sdk::analytics::OperandList values(arguments.size());
  for (const auto& argument : arguments) values.push(TRY(evaluateOperand(*argument, heap, scope)));
  return function->call(values.span());
}

// The script function a call with literal and named arguments calls, its statement and arguments
// counted and nested one level deeper (the call holds itself while it runs); null, with nothing
// counted, when the statement is no such call or a limit is near.
inline ScriptFunctionValue* leafCallee(const ScriptStatementValue& statement, ScriptHeap& heap,
                                       const ScriptScope& scope) {
  if (statement.form() != StatementForm::Call || !statement.hasLeafArguments()) return nullptr;
  auto* function = calledFunction(statement, scope);
  if (!function || function->isNative() ||
      !countAtOnce(1 + statement.argumentSteps(), 1 + statement.argumentDepth(), heap)) {
    return nullptr;
  }
  return function;
}

// An assignment's value: a call's result comes straight from the call, as evaluate would hand it.
inline ErrorOr<Operand> assignedValue(const ScriptValue& argument, ScriptHeap& heap, ScriptScope& scope) {
  if (argument.kind() == ScriptValueKind::Statement) {
    const auto& statement = static_cast<const ScriptStatementValue&>(argument);
    if (auto* function = leafCallee(statement, heap, scope)) {
      ScriptDepthGuard depth(heap);
      TRY(depth.status());
      return callWithLeafArguments(statement, *function, scope);
    }
  }
  return evaluateOperand(argument, heap, scope);
}

// An assignment whose name literal was counted: its value, then the write.
ErrorOr<Operand> assignValue(const ScriptStatementValue& statement, ScriptHeap& heap, ScriptScope& scope) {
  auto value = assignedValue(*statement.arguments()[1], heap, scope);
  if (!value.ok()) return value;
  if (!scope.assign(*value, statement.nameCache(), [&] { return statement.bindingName(); })) {
    return scriptError(kScriptErrorUnboundAssignment);
  }
  return value;
}

// The sum that `argument` is, when `a` + `argument` puts a text before a simple sum (a piece before
// a piece before a long text); nullptr otherwise.
const ScriptStatementValue* sumAfterText(const ScriptStatementValue& statement, const Operand& a, const ScriptValue& argument) {
  if (statement.form() != StatementForm::Arithmetic || statement.operation() != BinaryOperation::Add ||
      a.kind() != ScriptValueKind::String || argument.kind() != ScriptValueKind::Statement) {
    return nullptr;
  }
  const auto& sum = static_cast<const ScriptStatementValue&>(argument);
  const bool simpleSum = sum.form() == StatementForm::Arithmetic && sum.operation() == BinaryOperation::Add &&
                         sum.simple().shape == SimpleStatement::Shape::Operation;
  return simpleSum ? &sum : nullptr;
}

const std::u16string& textOf(const Operand& operand) {
  return static_cast<const ScriptStringValue&>(*operand.object()).value();
}

// `a` + `sum`, the sum counted as its own evaluation counts it. When the sum adds two strings, the
// three texts are joined at once: the long text is copied once, not once for each "+".
ErrorOr<Operand> addBeforeSum(const ScriptStatementValue& statement, Operand a, const ScriptStatementValue& sum,
                              ScriptHeap& heap, ScriptScope& scope) {
  if (!countSimple(sum, heap)) {
    // Near a limit the sum is counted step by step, as ever.
    auto b = TRY(ScriptEvaluator::evaluate(sum, scope));
    return operate(statement, std::move(a), std::move(b), scope);
  }
  const ScopeNames names(scope);
  auto x = simpleValue(sum.simple().operands[0], names);
  auto y = simpleValue(sum.simple().operands[1], names);
  if (x.kind() != ScriptValueKind::String || y.kind() != ScriptValueKind::String) {
    auto b = TRY(operate(sum, std::move(x), std::move(y), scope));
    return operate(statement, std::move(a), std::move(b), scope);
  }
  const std::u16string_view pieces[] = {textOf(a), textOf(x), textOf(y)};
  const std::size_t length = pieces[0].size() + pieces[1].size() + pieces[2].size();
  if (length > heap.limits().stringLength) return scriptError(kScriptErrorLimitReached);
  TRY(heap.chargeUnits(length));
  return Operand(TRY(joinedScriptString(heap, pieces)));
}

// The direct shapes; each evaluates its operands exactly as the opcode's handler would.
ErrorOr<Operand> runForm(const ScriptStatementValue& statement, ScriptHeap& heap, ScriptScope& scope) {
  const auto& arguments = statement.arguments();
  switch (statement.form()) {
    case StatementForm::ReadName:
      TRY(beginEvaluation(heap));
      return scope.operandForName(statement.nameCache(), [&] { return statement.bindingName(); });
    case StatementForm::AssignName:
      TRY(beginEvaluation(heap));
      return assignValue(statement, heap, scope);
    case StatementForm::QuotedCall:
      return methodCall(statement, heap, scope);
    case StatementForm::Call:
      return call(statement, heap, scope);
    case StatementForm::Arithmetic:
    case StatementForm::Comparison: {
      auto a = TRY(evaluateOperand(*arguments[0], heap, scope));
      if (const auto* sum = sumAfterText(statement, a, *arguments[1])) return addBeforeSum(statement, std::move(a), *sum, heap, scope);
      auto b = TRY(evaluateOperand(*arguments[1], heap, scope));
      return operate(statement, std::move(a), std::move(b), scope);
    }
    default: {
      const auto& entry = statement.command();
      if (!entry.handler) {
        return Operand(TRY(entry.evaluator->evaluateCommand(statement.functionName(), arguments, scope)));
      }
      return Operand(TRY(entry.evaluator->run(entry.handler, arguments, scope)));
    }
  }
}

// A return among a function's own statements: its value is the call's result, with no return
// value made to carry it there. Counted and nested as the statement would be.
ErrorOr<Operand> returnFromFunction(const ScriptStatementValue& statement, ScriptScope& scope) {
  auto& heap = heapOfScope(scope);
  // The return and a simple value: one more step, one more level.
  if (!statement.arguments().empty() && statement.arguments()[0]->kind() == ScriptValueKind::Statement) {
    const auto& value = static_cast<const ScriptStatementValue&>(*statement.arguments()[0]);
    const auto& simple = value.simple();
    if (simple.shape != SimpleStatement::Shape::None && countAtOnce(1 + simple.steps, 1 + simple.depth, heap)) {
      return runSimple(value, ScopeNames(scope));
    }
  }
  TRY(beginEvaluation(heap));
  ScriptDepthGuard depth(heap);
  TRY(depth.status());
  if (statement.arguments().empty()) return Operand();
  return evaluateOperand(*statement.arguments()[0], heap, scope);
}

}  // namespace

ErrorOr<Operand> ScriptEvaluator::evaluate(const ScriptValue& value, ScriptScope& scope) {
  auto& heap = heapOfScope(scope);
  if (value.kind() == ScriptValueKind::Statement) {
    const auto& statement = static_cast<const ScriptStatementValue&>(value);
    if (statement.simple().shape != sdk::analytics::SimpleStatement::Shape::None && countSimple(statement, heap)) {
      return runSimple(statement, ScopeNames(scope));
    }
    // An assignment of what is not simple: the statement and its name literal are two steps with
    // nothing between them.
    if (statement.form() == StatementForm::AssignName && countAtOnce(2, 1, heap)) {
      ScriptDepthGuard depth(heap);
      TRY(depth.status());
      return assignValue(statement, heap, scope);
    }
    if (auto* function = leafCallee(statement, heap, scope)) {
      ScriptDepthGuard depth(heap);
      TRY(depth.status());
      return callWithLeafArguments(statement, *function, scope);
    }
    // A method call, its target when that is a literal or a name, a literal method name and the
    // quote: counted together, one level deeper.
    if (statement.leadSteps() && countAtOnce(1 + statement.leadSteps(), 2, heap)) {
      ScriptDepthGuard depth(heap);
      TRY(depth.status());
      return methodCall(statement, heap, scope, true);
    }
  }
  TRY(beginEvaluation(heap));
  if (value.kind() != ScriptValueKind::Statement) return literal(value);
  ScriptDepthGuard depth(heap);
  TRY(depth.status());
  return runForm(static_cast<const ScriptStatementValue&>(value), heap, scope);
}

ErrorOr<void> ScriptEvaluator::countValues(std::size_t count, ScriptHeap& heap) {
  if (countAtOnce(static_cast<int>(count), 0, heap)) return {};
  for (std::size_t i = 0; i < count; ++i) TRY(beginEvaluation(heap));
  return {};
}

namespace {

// The boolean form of what is not a comparison of numbers, and of a comparison whose steps were
// counted but whose operands are not both numbers. Out of line, so that a loop's usual test needs
// no frame of its own.
[[gnu::noinline]] ErrorOr<bool> testOtherwise(const ScriptValue& value, ScriptScope& scope, bool counted) {
  if (counted) {
    const auto& statement = static_cast<const ScriptStatementValue&>(value);
    const ScopeNames names(scope);
    auto first = simpleValue(statement.simple().operands[0], names);
    auto second = simpleValue(statement.simple().operands[1], names);
    const auto result = TRY(operate(statement, std::move(first), std::move(second), scope));
    return result.truth();
  }
  const auto result = TRY(ScriptEvaluator::evaluate(value, scope));
  return result.truth();
}

}  // namespace

ErrorOr<bool> ScriptEvaluator::test(const ScriptValue& value, ScriptScope& scope) {
  if (value.kind() != ScriptValueKind::Statement) return testOtherwise(value, scope, false);
  // A comparison of numbers answers without making its boolean value.
  const auto& statement = static_cast<const ScriptStatementValue&>(value);
  const auto& simple = statement.simple();
  if (statement.form() != StatementForm::Comparison || simple.shape != SimpleStatement::Shape::Operation ||
      !countSimple(statement, heapOfScope(scope))) {
    return testOtherwise(value, scope, false);
  }
  const ScopeNames names(scope);
  double a = 0;
  double b = 0;
  if (simpleNumber(simple.operands[0], names, a) && simpleNumber(simple.operands[1], names, b)) {
    return compare(statement.operation(), a, b);
  }
  return testOtherwise(value, scope, true);
}

ErrorOr<Operand> ScriptEvaluator::evaluateValue(const ScriptValue& value, ScriptScope& scope) {
  if (value.kind() != ScriptValueKind::Statement) {
    // A literal is its own value: no new object for a number.
    TRY(beginEvaluation(heapOfScope(scope)));
    return Operand(ScriptValueRef(const_cast<ScriptValue*>(&value)));
  }
  return evaluate(value, scope);
}

ErrorOr<ScriptValueRef> ScriptEvaluator::evaluateStatement(const ScriptValue& value, ScriptScope& scope) {
  return TRY(evaluateValue(value, scope)).box(heapOfScope(scope));
}

ErrorOr<Operand> ScriptEvaluator::execute(ScriptArguments statements, ScriptScope& scope) {
  Operand result;
  for (const auto& statement : statements) {
    result = TRY(evaluate(*statement, scope));
    if (result.kind() == ScriptValueKind::Control) return result;
  }
  return result;
}

ErrorOr<ScriptValueRef> ScriptEvaluator::executeStatements(ScriptArguments statements, ScriptScope& scope) {
  return TRY(execute(statements, scope)).box(heapOfScope(scope));
}

ErrorOr<Operand> ScriptEvaluator::runFunctionBody(ScriptArguments statements, ScriptScope& scope) {
  Operand result;
  for (const auto& statement : statements) {
    if (statement->kind() == ScriptValueKind::Statement &&
        static_cast<const ScriptStatementValue&>(*statement).form() == StatementForm::Return) {
      return returnFromFunction(static_cast<const ScriptStatementValue&>(*statement), scope);
    }
    result = TRY(evaluate(*statement, scope));
    if (result.kind() == ScriptValueKind::Control) {
      const auto& control = static_cast<const ScriptControlValue&>(*result.object());
      if (control.type() == ScriptControlValue::Type::Return) return Operand(control.data());
      return result;
    }
  }
  return result;
}

namespace {

// A return's value when it is a literal or a simple statement, with the steps and depth of the
// return and its value; null otherwise (and for a return of nothing).
const ScriptValue* simpleReturnValue(const ScriptStatementValue& statement, int& steps, int& depth) {
  if (statement.arguments().empty()) {
    steps = 1;
    depth = 1;
    return nullptr;
  }
  const auto& value = *statement.arguments()[0];
  if (value.kind() != ScriptValueKind::Statement) {
    steps = 2;
    depth = 1;
    return &value;
  }
  const auto& simple = static_cast<const ScriptStatementValue&>(value).simple();
  if (simple.shape == SimpleStatement::Shape::None) return nullptr;
  steps = 1 + simple.steps;
  depth = 1 + simple.depth;
  return &value;
}

}  // namespace

bool ScriptEvaluator::bindsNoName(ScriptArguments statements) {
  for (const auto& value : statements) {
    if (value->kind() != ScriptValueKind::Statement) continue;
    const auto& statement = static_cast<const ScriptStatementValue&>(*value);
    int steps = 0;
    int depth = 0;
    if (statement.form() == StatementForm::Return) {
      if (!statement.arguments().empty() && !simpleReturnValue(statement, steps, depth)) return false;
    } else if (statement.simple().shape == SimpleStatement::Shape::None) {
      return false;
    }
  }
  return true;
}

ErrorOr<Operand> ScriptEvaluator::runFrameless(ScriptArguments statements, const sdk::analytics::CallFrame& frame,
                                               std::size_t& next) {
  auto& heap = heapOfScope(frame.definingScope());
  const FrameNames names(frame);
  Operand result;
  for (next = 0; next < statements.size(); ++next) {
    const auto& value = *statements[next];
    if (value.kind() != ScriptValueKind::Statement) {
      if (!countAtOnce(1, 0, heap)) return result;
      result = literal(value);
      continue;
    }
    const auto& statement = static_cast<const ScriptStatementValue&>(value);
    if (statement.form() == StatementForm::Return) {
      int steps = 0;
      int depth = 0;
      const auto* returned = simpleReturnValue(statement, steps, depth);
      if (!countAtOnce(steps, depth, heap)) return result;
      next = statements.size();
      if (!returned) return Operand();
      if (returned->kind() != ScriptValueKind::Statement) return literal(*returned);
      return runSimple(static_cast<const ScriptStatementValue&>(*returned), names);
    }
    if (!countSimple(statement, heap)) return result;
    result = TRY(runSimple(statement, names));
    // A variable may hold a control value a function returned; it ends the body as it would there.
    if (result.kind() == ScriptValueKind::Control) {
      next = statements.size();
      const auto& control = static_cast<const ScriptControlValue&>(*result.object());
      if (control.type() == ScriptControlValue::Type::Return) return Operand(control.data());
      return result;
    }
  }
  return result;
}

}  // namespace sdk::analytics

