#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "sdk/analytics/rules/ScriptValue.h"

namespace sdk::analytics {

class CommandEvaluator;

// A handler receives either the evaluated argument values or the raw argument statements, as its
// evaluator's convention says.
using CommandHandler = ErrorOr<ScriptValueRef> (*)(ScriptArguments arguments, ScriptScope& scope);

// One row of the registrar's table: who evaluates an opcode and with which handler.
struct CommandEntry {
  const CommandEvaluator* evaluator = nullptr;
  CommandHandler handler = nullptr;
};

class CommandEvaluator {
 public:
  enum class Convention {
    EvaluatesArguments,  // all arguments evaluated first; handlers check their counts afterwards
    ExactlyTwoEvaluated, // the count checked first (nothing evaluated on error 9), then as above
    Raw,                 // handlers get the unevaluated statements and evaluate what they need
  };

  virtual ~CommandEvaluator() = default;
  virtual ErrorOr<ScriptValueRef> evaluateCommand(const std::u16string& opcode, const ScriptValueList& arguments, ScriptScope& scope) const;
  std::vector<std::u16string> allSupportedCommands() const;
  const std::unordered_map<std::u16string, CommandHandler>& handlers() const { return handlers_; }
  // Runs one handler under this evaluator's convention.
  ErrorOr<ScriptValueRef> run(CommandHandler handler, ScriptArguments arguments, ScriptScope& scope) const;

 protected:
  explicit CommandEvaluator(Convention convention) : convention_(convention) {}
  void add(const char* opcode, CommandHandler handler);

 private:
  const Convention convention_;
  std::unordered_map<std::u16string, CommandHandler> handlers_;
  std::vector<std::u16string> order_;
};

}  // namespace sdk::analytics

