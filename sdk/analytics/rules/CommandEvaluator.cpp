#include "sdk/analytics/rules/CommandEvaluator.h"

#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptText.h"

namespace sdk::analytics {

void CommandEvaluator::add(const char* opcode, CommandHandler handler) {
  auto name = utf16Literal(opcode);
  handlers_[name] = handler;
  order_.push_back(std::move(name));
}

std::vector<std::u16string> CommandEvaluator::allSupportedCommands() const { return order_; }

ErrorOr<ScriptValueRef> CommandEvaluator::evaluateCommand(const std::u16string& opcode, const ScriptValueList& arguments,
                                                   ScriptScope& scope) const {
  auto it = handlers_.find(opcode);
  if (it == handlers_.end()) return ScriptValueRef(scriptUndefined());
  return run(it->second, arguments, scope);
}

ErrorOr<ScriptValueRef> CommandEvaluator::run(CommandHandler handler, ScriptArguments arguments, ScriptScope& scope) const {
  switch (convention_) {
    case Convention::ExactlyTwoEvaluated:
      if (arguments.size() != 2) return scriptError(kScriptErrorArgumentCount);
      [[fallthrough]];
    case Convention::EvaluatesArguments: {
      return withEvaluatedArguments(arguments, scope, [&](ScriptArguments values) { return handler(values, scope); });
    }
    case Convention::Raw:
      return handler(arguments, scope);
  }
  return ScriptValueRef(scriptUndefined());
}

}  // namespace sdk::analytics
