#pragma once

#include <string>

#include "sdk/analytics/rules/APMPRuntimeValue.h"

struct APMPCommandEntry;

// One statement of a program: an opcode and its arguments (literals and nested statements).
class APMPStatementValue final : public APMPRuntimeValue {
 public:
  APMPStatementValue(APMPHeap& heap, std::u16string functionName, APMPValueList arguments);

  const std::u16string& functionName() const { return functionName_; }
  const APMPValueList& arguments() const { return arguments_; }
  bool isEqualToRuntimeValue(const APMPRuntimeValue& other, int depth = 0) const override;

  // What the registrar found for the opcode, looked up once: its table never changes.
  const APMPCommandEntry* cachedCommand() const { return command_; }
  void setCachedCommand(const APMPCommandEntry* command) const { command_ = command; }

 private:
  const std::u16string functionName_;
  const APMPValueList arguments_;
  mutable const APMPCommandEntry* command_ = nullptr;
};
