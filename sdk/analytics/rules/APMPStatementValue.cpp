#include "sdk/analytics/rules/APMPStatementValue.h"

#include <algorithm>

#include "sdk/analytics/rules/APMPArrayCommandEvaluator.h"
#include "sdk/analytics/rules/APMPCommandRegistrar.h"
#include "sdk/analytics/rules/APMPStringCommandEvaluator.h"
#include "sdk/analytics/rules/OperandList.h"

APMPStatementValue::APMPStatementValue(APMPHeap& heap, std::u16string functionName, APMPValueList arguments)
    : APMPRuntimeValue(heap, APMPKind::Statement, sizeof(APMPStatementValue) + arguments.size() * 8, false),
      functionName_(std::move(functionName)),
      arguments_(std::move(arguments)) {
  compile();
}

void APMPStatementValue::compile() {
  command_ = &APMPCommandRegistrar::sharedInstance().entryForOpcode(functionName_);
  struct Shape {
    const char16_t* opcode;
    APMPStatementForm form;
    APMPOperation operation;
  };
  static constexpr Shape kShapes[] = {
      {u"0", APMPStatementForm::Arithmetic, APMPOperation::Add},
      {u"37", APMPStatementForm::Arithmetic, APMPOperation::Subtract},
      {u"26", APMPStatementForm::Arithmetic, APMPOperation::Multiply},
      {u"10", APMPStatementForm::Arithmetic, APMPOperation::Divide},
      {u"25", APMPStatementForm::Arithmetic, APMPOperation::Remainder},
      {u"23", APMPStatementForm::Comparison, APMPOperation::Less},
      {u"24", APMPStatementForm::Comparison, APMPOperation::LessOrEqual},
      {u"18", APMPStatementForm::Comparison, APMPOperation::Greater},
      {u"19", APMPStatementForm::Comparison, APMPOperation::GreaterOrEqual},
      {u"20", APMPStatementForm::Comparison, APMPOperation::StrictEqual},
      {u"21", APMPStatementForm::Comparison, APMPOperation::StrictNotEqual},
  };
  const bool literalName = !arguments_.empty() && arguments_[0]->kind() == APMPKind::String;
  if (functionName_ == u"15" && arguments_.size() == 1 && literalName) {
    form_ = APMPStatementForm::ReadName;
  } else if (functionName_ == u"3" && arguments_.size() == 2 && literalName) {
    form_ = APMPStatementForm::AssignName;
  } else if (functionName_ == u"2" && arguments_.size() == 3 && arguments_[2]->kind() == APMPKind::Statement &&
             static_cast<const APMPStatementValue&>(*arguments_[2]).functionName() == u"46") {
    form_ = APMPStatementForm::QuotedCall;
    if (arguments_[1]->kind() == APMPKind::String) {
      const auto& method = static_cast<const APMPStringValue&>(*arguments_[1]).value();
      arrayMethod_ = APMPArrayCommandEvaluator::sharedInstance().handlerNamed(method);
      stringMethod_ = APMPStringCommandEvaluator::sharedInstance().handlerNamed(method);
    }
  } else if (functionName_ == u"36" && arguments_.size() <= 1) {
    form_ = APMPStatementForm::Return;
  } else if (!command_->handler) {
    form_ = APMPStatementForm::Call;
  } else if (arguments_.size() == 2) {
    for (const auto& shape : kShapes) {
      if (functionName_ == shape.opcode) {
        form_ = shape.form;
        operation_ = shape.operation;
      }
    }
  }
  if (form_ == APMPStatementForm::ReadName || form_ == APMPStatementForm::AssignName ||
      form_ == APMPStatementForm::Call) {
    nameHash_ = sdk::analytics::BindingName::hashOf(name());
  }
  compileSimple();
  if (form_ == APMPStatementForm::Call || form_ == APMPStatementForm::QuotedCall) compileArguments();
}

// A literal is one step at no depth; a name read two steps, one level down. Anything else is not
// an operand of a simple statement (0).
int APMPStatementValue::leaf(const APMPValueRef& value, sdk::analytics::SimpleOperand& operand) {
  using sdk::analytics::SimpleOperand;
  if (value->kind() == APMPKind::Number) {
    operand.number = static_cast<const APMPNumberValue&>(*value).value();
    return 1;
  }
  if (value->kind() != APMPKind::Statement) {
    operand.type = SimpleOperand::Type::Literal;
    operand.literal = value.get();
    return 1;
  }
  const auto& statement = static_cast<const APMPStatementValue&>(*value);
  if (statement.form_ != APMPStatementForm::ReadName) return 0;
  operand.type = SimpleOperand::Type::Name;
  operand.name = &statement.nameText();
  operand.hash = statement.nameHash_;
  return 2;
}

void APMPStatementValue::compileArguments() {
  const APMPValueList* arguments = &arguments_;
  std::vector<sdk::analytics::SimpleOperand> operands;
  if (form_ == APMPStatementForm::QuotedCall) {
    // The target first, when it is a literal or a name and the method's name is a literal.
    sdk::analytics::SimpleOperand target;
    const int steps = leaf(arguments_[0], target);
    if (steps == 0 || arguments_[1]->kind() != APMPKind::String) return;
    operands.push_back(target);
    leadSteps_ = static_cast<std::uint8_t>(steps + 2);
    arguments = &static_cast<const APMPStatementValue&>(*arguments_[2]).arguments();
  }
  const auto first = operands.size();
  operands.resize(first + arguments->size());
  std::uint32_t steps = 0;
  std::uint8_t depth = 0;
  bool leaves = arguments->size() <= sdk::analytics::OperandList::kInline;
  for (std::size_t i = 0; i < arguments->size() && leaves; ++i) {
    const int s = leaf((*arguments)[i], operands[first + i]);
    leaves = s != 0;
    steps += static_cast<std::uint32_t>(s);
    if (s == 2) depth = 1;
  }
  if (!leaves) operands.resize(first);
  simpleArguments_ = std::move(operands);
  argumentSteps_ = steps;
  argumentDepth_ = depth;
  leafArguments_ = leaves;
}

void APMPStatementValue::compileSimple() {
  using sdk::analytics::SimpleOperand;
  using sdk::analytics::SimpleStatement;
  auto depthOf = [](int steps) { return steps == 2 ? 1 : 0; };
  auto& simple = simple_;
  switch (form_) {
    case APMPStatementForm::ReadName:
      simple.shape = SimpleStatement::Shape::Read;
      simple.steps = 2;
      simple.depth = 1;
      simple.operands[0].type = SimpleOperand::Type::Name;
      simple.operands[0].name = &nameText();
      simple.operands[0].hash = nameHash_;
      break;
    case APMPStatementForm::Arithmetic:
    case APMPStatementForm::Comparison: {
      // Only names and literals as operands: a nested operation could fail before the next operand.
      const int a = leaf(arguments_[0], simple.operands[0]);
      const int b = a ? leaf(arguments_[1], simple.operands[1]) : 0;
      if (!b) break;
      simple.shape = SimpleStatement::Shape::Operation;
      simple.steps = static_cast<std::uint8_t>(1 + a + b);
      simple.depth = static_cast<std::uint8_t>(1 + std::max(depthOf(a), depthOf(b)));
      break;
    }
    case APMPStatementForm::AssignName: {
      const auto& value = arguments_[1];
      if (const int steps = leaf(value, simple.operands[0])) {
        simple.shape = SimpleStatement::Shape::Assign;
        simple.steps = static_cast<std::uint8_t>(2 + steps);
        simple.depth = static_cast<std::uint8_t>(1 + depthOf(steps));
      } else if (const auto& operation = static_cast<const APMPStatementValue&>(*value);
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

bool APMPStatementValue::isEqualToRuntimeValue(const APMPRuntimeValue& other, int depth) const {
  if (this == &other) return true;
  if (other.kind() != APMPKind::Statement || depth >= 64) return false;
  const auto& o = static_cast<const APMPStatementValue&>(other);
  if (o.functionName_ != functionName_ || o.arguments_.size() != arguments_.size()) return false;
  for (std::size_t i = 0; i < arguments_.size(); ++i) {
    if (!arguments_[i]->isEqualToRuntimeValue(*o.arguments_[i], depth + 1)) return false;
  }
  return true;
}
