#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sdk/analytics/rules/APMPRuntimeValue.h"
#include "sdk/analytics/rules/APMPScope.h"
#include "sdk/analytics/rules/SimpleStatement.h"

struct APMPCommandEntry;
class APMPArrayValue;

// A method of arrays or of strings, as their evaluators keep them.
using APMPArrayMethod = APMPValueRef (*)(const APMPRef<APMPArrayValue>& array, APMPArguments arguments,
                                         APMPScope& scope, APMPError& error);
using APMPStringMethod = APMPValueRef (*)(const std::u16string& receiver, APMPArguments arguments, APMPScope& scope,
                                          APMPError& error);

// The shapes of statement the evaluator runs directly, without going through a handler, because
// programs are made of little else: reading and assigning a name given as a literal, arithmetic and
// comparisons, method calls whose arguments are written in place (the quoted statements are handed
// to the method as they stand, not copied into an array first), calls of a script function by name
// and a function's return. Every other statement (and these, when their operands are not plain
// numbers or the function is native) runs its opcode's handler. Either way every statement and
// literal is counted, in the same order.
enum class APMPStatementForm : std::uint8_t {
  Generic, ReadName, AssignName, Arithmetic, Comparison, QuotedCall, Call, Return
};
enum class APMPOperation : std::uint8_t { Add, Subtract, Multiply, Divide, Remainder, Less, LessOrEqual, Greater,
                                          GreaterOrEqual, StrictEqual, StrictNotEqual };

// One statement of a program: an opcode and its arguments (literals and nested statements). Made
// once when the program loads, with its opcode resolved and its shape known, so running it looks
// nothing up by name but the variables it reads.
class APMPStatementValue final : public APMPRuntimeValue {
 public:
  APMPStatementValue(APMPHeap& heap, std::u16string functionName, APMPValueList arguments);

  const std::u16string& functionName() const { return functionName_; }
  const APMPValueList& arguments() const { return arguments_; }
  bool isEqualToRuntimeValue(const APMPRuntimeValue& other, int depth = 0) const override;

  // The registrar's row for the opcode.
  const APMPCommandEntry& command() const { return *command_; }
  APMPStatementForm form() const { return form_; }
  APMPOperation operation() const { return operation_; }
  // A QuotedCall's method, when its name is a literal that arrays or strings have.
  APMPArrayMethod arrayMethod() const { return arrayMethod_; }
  APMPStringMethod stringMethod() const { return stringMethod_; }
  // The literal name of ReadName and AssignName, and the function name of a Call.
  const std::u16string& name() const {
    return form_ == APMPStatementForm::Call ? functionName_
                                            : static_cast<const APMPStringValue&>(*arguments_[0]).value();
  }
  sdk::analytics::BindingName bindingName() const {
    return {name(), nameHash_, form_ == APMPStatementForm::Call ? nullptr : &nameText()};
  }
  APMPScope::NameCache& nameCache() const { return nameCache_; }

  // The compact form of a simple statement (shape None when it is not one).
  const sdk::analytics::SimpleStatement& simple() const { return simple_; }
  // Whether every argument of a Call, or every quoted argument of a QuotedCall, is a literal or a
  // name: their steps can then be counted at once (argumentSteps, nesting argumentDepth), as they
  // cannot fail or make anything in between.
  bool hasLeafArguments() const { return leafArguments_; }
  std::span<const sdk::analytics::SimpleOperand> leafArguments() const {
    return std::span(simpleArguments_).subspan(leadSteps_ ? 1 : 0);
  }
  // A QuotedCall whose target is a literal or a name and whose method name is a literal: the
  // target, the name and the quote are leadSteps() steps, one level deep, with nothing between.
  int leadSteps() const { return leadSteps_; }
  const sdk::analytics::SimpleOperand& target() const { return simpleArguments_[0]; }
  int argumentSteps() const { return static_cast<int>(argumentSteps_); }
  int argumentDepth() const { return argumentDepth_; }

  // The literal name of ReadName and AssignName as its string value, and its hash.
  const APMPStringValue& nameText() const { return static_cast<const APMPStringValue&>(*arguments_[0]); }
  std::size_t nameHash() const { return nameHash_; }

 private:
  void compile();
  void compileSimple();
  void compileArguments();
  static int leaf(const APMPValueRef& value, sdk::analytics::SimpleOperand& operand);

  // What running the statement reads comes first, close to the value's kind; the opcode's text and
  // the argument list are for the general way and for comparing statements.
  APMPStatementForm form_ = APMPStatementForm::Generic;
  APMPOperation operation_ = APMPOperation::Add;
  sdk::analytics::SimpleStatement simple_;
  mutable APMPScope::NameCache nameCache_;
  std::size_t nameHash_ = 0;
  const APMPCommandEntry* command_ = nullptr;
  const std::u16string functionName_;
  const APMPValueList arguments_;
  APMPArrayMethod arrayMethod_ = nullptr;
  APMPStringMethod stringMethod_ = nullptr;
  std::vector<sdk::analytics::SimpleOperand> simpleArguments_;
  std::uint32_t argumentSteps_ = 0;
  std::uint8_t argumentDepth_ = 0;
  std::uint8_t leadSteps_ = 0;
  bool leafArguments_ = false;
};
