#include "sdk/analytics/rules/APMPStatementValue.h"

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
  } else if (arguments_.size() == 2) {
    for (const auto& shape : kShapes) {
      if (functionName_ == shape.opcode) {
        form_ = shape.form;
        operation_ = shape.operation;
      }
    }
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
