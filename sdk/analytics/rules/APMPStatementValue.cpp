#include "sdk/analytics/rules/APMPStatementValue.h"

APMPStatementValue::APMPStatementValue(APMPHeap& heap, std::u16string functionName, APMPValueList arguments)
    : APMPRuntimeValue(heap, APMPKind::Statement, sizeof(APMPStatementValue) + arguments.size() * 8, false),
      functionName_(std::move(functionName)),
      arguments_(std::move(arguments)) {}

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
