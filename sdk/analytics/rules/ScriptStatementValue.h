#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "sdk/analytics/rules/ScriptValue.h"
#include "sdk/analytics/rules/ScriptScope.h"
#include "sdk/analytics/rules/SimpleStatement.h"

namespace sdk::analytics {

struct CommandEntry;
class ScriptArrayValue;

// A method of arrays or of strings, as their evaluators keep them.
using ArrayMethod = ErrorOr<ScriptValueRef> (*)(const ScriptRef<ScriptArrayValue>& array, ScriptArguments arguments,
                                         ScriptScope& scope);
using StringMethod = ErrorOr<ScriptValueRef> (*)(const std::u16string& receiver, ScriptArguments arguments, ScriptScope& scope);

// The shapes of statement the evaluator runs directly, without going through a handler, because
// programs are made of little else: reading and assigning a name given as a literal, arithmetic and
// comparisons, method calls whose arguments are written in place (the quoted statements are handed
// to the method as they stand, not copied into an array first), calls of a script function by name
// and a function's return. Every other statement (and these, when their operands are not plain
// numbers or the function is native) runs its opcode's handler. Either way every statement and
// literal is counted, in the same order.
enum class StatementForm : std::uint8_t {
  Generic, ReadName, AssignName, Arithmetic, Comparison, QuotedCall, Call, Return
};
enum class BinaryOperation : std::uint8_t { Add, Subtract, Multiply, Divide, Remainder, Less, LessOrEqual, Greater,
                                          GreaterOrEqual, StrictEqual, StrictNotEqual };

// One statement of a program: an opcode and its arguments (literals and nested statements). Made
// once when the program loads, with its opcode resolved and its shape known, so running it looks
// nothing up by name but the variables it reads.
class ScriptStatementValue final : public ScriptValue {
 public:
  // `functionName` is shared with the program's other statements of the same opcode or callee.
  ScriptStatementValue(ScriptHeap& heap, ScriptRef<ScriptStringValue> functionName, ScriptValueList arguments);

  const std::u16string& functionName() const { return functionName_->value(); }
  const ScriptValueList& arguments() const { return arguments_; }
  bool isEqualToRuntimeValue(const ScriptValue& other, int depth = 0) const override;

  // The registrar's row for the opcode.
  const CommandEntry& command() const { return *command_; }
  StatementForm form() const { return form_; }
  BinaryOperation operation() const { return operation_; }
  // A QuotedCall's method, when its name is a literal that arrays or strings have.
  ArrayMethod arrayMethod() const { return arrayMethod_; }
  StringMethod stringMethod() const { return stringMethod_; }
  // The literal name of ReadName and AssignName, and the function name of a Call.
  const std::u16string& name() const {
    return nameText().value();
  }
  sdk::analytics::BindingName bindingName() const { return {name(), nameHash_, &nameText()}; }
  ScriptScope::NameCache& nameCache() const { return nameCache_; }

  // The compact form of a simple statement (shape None when it is not one).
  const sdk::analytics::SimpleStatement& simple() const { return simple_; }
  // Whether every argument of a Call, or every quoted argument of a QuotedCall, is a literal or a
  // name: their steps can then be counted at once (argumentSteps, nesting argumentDepth), as they
  // cannot fail or make anything in between.
  bool hasLeafArguments() const { return leafArguments_; }
  std::span<const sdk::analytics::SimpleOperand> leafArguments() const {
    return std::span(simpleArguments_.get(), simpleArgumentCount_).subspan(leadSteps_ ? 1 : 0);
  }
  // A QuotedCall whose target is a literal or a name and whose method name is a literal: the
  // target, the name and the quote are leadSteps() steps, one level deep, with nothing between.
  int leadSteps() const { return leadSteps_; }
  const sdk::analytics::SimpleOperand& target() const { return simpleArguments_[0]; }
  int argumentSteps() const { return static_cast<int>(argumentSteps_); }
  int argumentDepth() const { return argumentDepth_; }

  // The literal name of ReadName and AssignName, and the function name of a Call, as its string
  // value, and its hash.
  const ScriptStringValue& nameText() const {
    return form_ == StatementForm::Call ? *functionName_ : static_cast<const ScriptStringValue&>(*arguments_[0]);
  }
  std::size_t nameHash() const { return nameHash_; }

 private:
  void compile();
  void compileSimple();
  void compileArguments();
  static int leaf(const ScriptValueRef& value, sdk::analytics::SimpleOperand& operand);

  // What running the statement reads comes first, close to the value's kind; the opcode's text and
  // the argument list are for the general way and for comparing statements.
  StatementForm form_ = StatementForm::Generic;
  BinaryOperation operation_ = BinaryOperation::Add;
  sdk::analytics::SimpleStatement simple_;
  mutable ScriptScope::NameCache nameCache_;
  std::size_t nameHash_ = 0;
  const CommandEntry* command_ = nullptr;
  const ScriptRef<ScriptStringValue> functionName_;
  const ScriptValueList arguments_;
  ArrayMethod arrayMethod_ = nullptr;
  StringMethod stringMethod_ = nullptr;
  // Only calls have them: a list of its own, at its size.
  std::unique_ptr<sdk::analytics::SimpleOperand[]> simpleArguments_;
  std::uint32_t argumentSteps_ = 0;
  std::uint8_t simpleArgumentCount_ = 0;
  std::uint8_t argumentDepth_ = 0;
  std::uint8_t leadSteps_ = 0;
  bool leafArguments_ = false;
};

}  // namespace sdk::analytics

