#include "sdk/analytics/rules/APMPStatementValue.h"

#include <algorithm>

#include "sdk/analytics/rules/APMPArrayCommandEvaluator.h"
#include "sdk/analytics/rules/APMPCommandRegistrar.h"
#include "sdk/analytics/rules/APMPStringCommandEvaluator.h"

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
  findSimpleSteps();
}

void APMPStatementValue::findSimpleSteps() {
  // A literal is one step at no depth; a name read two steps, one level down.
  auto leaf = [](const APMPValueRef& value, int& steps, int& depth) {
    if (value->kind() != APMPKind::Statement) {
      steps = 1;
      depth = 0;
      return true;
    }
    const auto& statement = static_cast<const APMPStatementValue&>(*value);
    steps = 2;
    depth = 1;
    return statement.form() == APMPStatementForm::ReadName;
  };
  int steps[2] = {0, 0};
  int depth[2] = {0, 0};
  switch (form_) {
    case APMPStatementForm::ReadName:
      simpleSteps_ = 2;
      simpleDepth_ = 1;
      break;
    case APMPStatementForm::Arithmetic:
    case APMPStatementForm::Comparison:
      // Only names and literals as operands: a nested operation could fail before the next operand.
      if (leaf(arguments_[0], steps[0], depth[0]) && leaf(arguments_[1], steps[1], depth[1])) {
        simpleSteps_ = static_cast<std::uint8_t>(1 + steps[0] + steps[1]);
        simpleDepth_ = static_cast<std::uint8_t>(1 + std::max(depth[0], depth[1]));
      }
      break;
    case APMPStatementForm::AssignName: {
      const auto& value = arguments_[1];
      if (leaf(value, steps[1], depth[1])) {
        simpleSteps_ = static_cast<std::uint8_t>(2 + steps[1]);
        simpleDepth_ = static_cast<std::uint8_t>(1 + depth[1]);
      } else if (const auto& statement = static_cast<const APMPStatementValue&>(*value);
                 statement.simpleSteps_ && statement.form_ != APMPStatementForm::AssignName) {
        simpleSteps_ = static_cast<std::uint8_t>(2 + statement.simpleSteps_);
        simpleDepth_ = static_cast<std::uint8_t>(1 + statement.simpleDepth_);
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
