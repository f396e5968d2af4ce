#include "sdk/analytics/rules/ScriptStatementValue.h"

#include <algorithm>

#include "sdk/analytics/rules/ArrayCommandEvaluator.h"
#include "sdk/analytics/rules/CommandRegistrar.h"
#include "sdk/analytics/rules/StringCommandEvaluator.h"
#include "sdk/analytics/rules/OperandList.h"

namespace sdk::analytics {

ScriptStatementValue::ScriptStatementValue(ScriptHeap& heap, ScriptRef<ScriptStringValue> functionName,
                                           ScriptValueList arguments)
    : ScriptValue(heap, ScriptValueKind::Statement, sizeof(ScriptStatementValue) + arguments.size() * 8, false),
      functionName_(std::move(functionName)),
      arguments_(std::move(arguments)) {
  compile();
}

void ScriptStatementValue::compile() {
  const auto& functionName = functionName_->value();
  command_ = &CommandRegistrar::sharedInstance().entryForOpcode(functionName);
  struct Shape {
    const char16_t* opcode;
    StatementForm form;
    BinaryOperation operation;
  };
  static constexpr Shape kShapes[] = {
      {u"0", StatementForm::Arithmetic, BinaryOperation::Add},
      {u"37", StatementForm::Arithmetic, BinaryOperation::Subtract},
      {u"26", StatementForm::Arithmetic, BinaryOperation::Multiply},
      {u"10", StatementForm::Arithmetic, BinaryOperation::Divide},
      {u"25", StatementForm::Arithmetic, BinaryOperation::Remainder},
      {u"23", StatementForm::Comparison, BinaryOperation::Less},
      {u"24", StatementForm::Comparison, BinaryOperation::LessOrEqual},
      {u"18", StatementForm::Comparison, BinaryOperation::Greater},
      {u"19", StatementForm::Comparison, BinaryOperation::GreaterOrEqual},
      {u"20", StatementForm::Comparison, BinaryOperation::StrictEqual},
      {u"21", StatementForm::Comparison, BinaryOperation::StrictNotEqual},
  };
  const bool literalName = !arguments_.empty() && arguments_[0]->kind() == ScriptValueKind::String;
  if (functionName == u"15" && arguments_.size() == 1 && literalName) {
    form_ = StatementForm::ReadName;
  } else if (functionName == u"3" && arguments_.size() == 2 && literalName) {
    form_ = StatementForm::AssignName;
  } else if (functionName == u"2" && arguments_.size() == 3 && arguments_[2]->kind() == ScriptValueKind::Statement &&
             static_cast<const ScriptStatementValue&>(*arguments_[2]).functionName() == u"46") {
    form_ = StatementForm::QuotedCall;
    if (arguments_[1]->kind() == ScriptValueKind::String) {
      const auto& method = static_cast<const ScriptStringValue&>(*arguments_[1]).value();
      arrayMethod_ = ArrayCommandEvaluator::sharedInstance().handlerNamed(method);
      stringMethod_ = StringCommandEvaluator::sharedInstance().handlerNamed(method);
    }
  } else if (functionName == u"36" && arguments_.size() <= 1) {
    form_ = StatementForm::Return;
  } else if (!command_->handler) {
    form_ = StatementForm::Call;
  } else if (arguments_.size() == 2) {
    for (const auto& shape : kShapes) {
      if (functionName == shape.opcode) {
        form_ = shape.form;
        operation_ = shape.operation;
      }
    }
  }
  if (form_ == StatementForm::ReadName || form_ == StatementForm::AssignName ||
      form_ == StatementForm::Call) {
    nameHash_ = sdk::analytics::BindingName::hashOf(name());
  }
  compileSimple();
  if (form_ == StatementForm::Call || form_ == StatementForm::QuotedCall) compileArguments();
}

// A literal is one step at no depth; a name read two steps, one level down. Anything else is not
// an operand of a simple statement (0).
int ScriptStatementValue::leaf(const ScriptValueRef& value, sdk::analytics::SimpleOperand& operand) {
  using sdk::analytics::SimpleOperand;
  if (value->kind() == ScriptValueKind::Number) {
    operand.number = static_cast<const ScriptNumberValue&>(*value).value();
    return 1;
  }
  if (value->kind() != ScriptValueKind::Statement) {
    operand.type = SimpleOperand::Type::Literal;
    operand.literal = value.get();
    return 1;
  }
  const auto& statement = static_cast<const ScriptStatementValue&>(*value);
  if (statement.form_ != StatementForm::ReadName) return 0;
  operand.type = SimpleOperand::Type::Name;
  operand.name = &statement.nameText();
  operand.hash = statement.nameHash_;
  return 2;
}

void ScriptStatementValue::compileArguments() {
  const ScriptValueList* arguments = &arguments_;
  std::vector<sdk::analytics::SimpleOperand> operands;
  if (form_ == StatementForm::QuotedCall) {
    // The target first, when it is a literal or a name and the method's name is a literal.
    sdk::analytics::SimpleOperand target;
    const int steps = leaf(arguments_[0], target);
    if (steps == 0 || arguments_[1]->kind() != ScriptValueKind::String) return;
    operands.push_back(target);
    leadSteps_ = static_cast<std::uint8_t>(steps + 2);
    arguments = &static_cast<const ScriptStatementValue&>(*arguments_[2]).arguments();
  }
  const auto first = operands.size();
  bool leaves = arguments->size() <= sdk::analytics::OperandList::kInline;
  if (leaves) operands.resize(first + arguments->size());
  std::uint32_t steps = 0;
  std::uint8_t depth = 0;
  for (std::size_t i = 0; i < arguments->size() && leaves; ++i) {
    const int s = leaf((*arguments)[i], operands[first + i]);
    leaves = s != 0;
    steps += static_cast<std::uint32_t>(s);
    if (s == 2) depth = 1;
  }
  if (!leaves) operands.resize(first);
  if (!operands.empty()) {
    simpleArguments_ = std::make_unique<sdk::analytics::SimpleOperand[]>(operands.size());
    std::copy(operands.begin(), operands.end(), simpleArguments_.get());
  }
  simpleArgumentCount_ = static_cast<std::uint8_t>(operands.size());
  argumentSteps_ = steps;
  argumentDepth_ = depth;
  leafArguments_ = leaves;
}

void ScriptStatementValue::compileSimple() {
  using sdk::analytics::SimpleOperand;
  using sdk::analytics::SimpleStatement;
  auto depthOf = [](int steps) { return steps == 2 ? 1 : 0; };
  auto& simple = simple_;
  switch (form_) {
    case StatementForm::ReadName:
      simple.shape = SimpleStatement::Shape::Read;
      simple.steps = 2;
      simple.depth = 1;
      simple.operands[0].type = SimpleOperand::Type::Name;
      simple.operands[0].name = &nameText();
      simple.operands[0].hash = nameHash_;
      break;
    case StatementForm::Arithmetic:
    case StatementForm::Comparison: {
      // Only names and literals as operands: a nested operation could fail before the next operand.
      const int a = leaf(arguments_[0], simple.operands[0]);
      const int b = a ? leaf(arguments_[1], simple.operands[1]) : 0;
      if (!b) break;
      simple.shape = SimpleStatement::Shape::Operation;
      simple.steps = static_cast<std::uint8_t>(1 + a + b);
      simple.depth = static_cast<std::uint8_t>(1 + std::max(depthOf(a), depthOf(b)));
      break;
    }
    case StatementForm::AssignName: {
      const auto& value = arguments_[1];
      if (const int steps = leaf(value, simple.operands[0])) {
        simple.shape = SimpleStatement::Shape::Assign;
        simple.steps = static_cast<std::uint8_t>(2 + steps);
        simple.depth = static_cast<std::uint8_t>(1 + depthOf(steps));
      } else if (const auto& operation = static_cast<const ScriptStatementValue&>(*value);
                 operation.simple_.shape == SimpleStatement::Shape::Operation) {
        simple.shape = SimpleStatement::Shape::AssignOperation;
        simple.steps = static_cast<std::uint8_t>(2 + operation.simple_.steps);
        simple.depth = static_cast<std::uint8_t>(1 + operation.simple_.depth);
        simple.operation = &operation;
      }
      break;
    }
    default:
      break;
  }
}

bool ScriptStatementValue::isEqualToRuntimeValue(const ScriptValue& other, int depth) const {
  if (this == &other) return true;
  if (other.kind() != ScriptValueKind::Statement || depth >= 64) return false;
  const auto& o = static_cast<const ScriptStatementValue&>(other);
  if (o.functionName() != functionName() || o.arguments_.size() != arguments_.size()) return false;
  for (std::size_t i = 0; i < arguments_.size(); ++i) {
    if (!arguments_[i]->isEqualToRuntimeValue(*o.arguments_[i], depth + 1)) return false;
  }
  return true;
}

}  // namespace sdk::analytics

