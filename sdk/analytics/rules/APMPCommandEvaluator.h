#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "sdk/analytics/rules/APMPRuntimeValue.h"

class APMPCommandEvaluator;

// A handler receives either the evaluated argument values or the raw argument statements, as its
// evaluator's convention says.
using APMPCommandHandler = APMPValueRef (*)(APMPArguments arguments, APMPScope& scope, APMPError& error);

// One row of the registrar's table: who evaluates an opcode and with which handler.
struct APMPCommandEntry {
  const APMPCommandEvaluator* evaluator = nullptr;
  APMPCommandHandler handler = nullptr;
};

class APMPCommandEvaluator {
 public:
  enum class Convention {
    EvaluatesArguments,  // all arguments evaluated first; handlers check their counts afterwards
    ExactlyTwoEvaluated, // the count checked first (nothing evaluated on error 9), then as above
    Raw,                 // handlers get the unevaluated statements and evaluate what they need
  };

  virtual ~APMPCommandEvaluator() = default;
  virtual APMPValueRef evaluateCommand(const std::u16string& opcode, const APMPValueList& arguments, APMPScope& scope,
                                       APMPError& error) const;
  std::vector<std::u16string> allSupportedCommands() const;
  const std::unordered_map<std::u16string, APMPCommandHandler>& handlers() const { return handlers_; }
  // Runs one handler under this evaluator's convention.
  APMPValueRef run(APMPCommandHandler handler, APMPArguments arguments, APMPScope& scope,
                   APMPError& error) const;

 protected:
  explicit APMPCommandEvaluator(Convention convention) : convention_(convention) {}
  void add(const char* opcode, APMPCommandHandler handler);

 private:
  const Convention convention_;
  std::unordered_map<std::u16string, APMPCommandHandler> handlers_;
  std::vector<std::u16string> order_;
};

// The seven opcode evaluators.
class APMPBitwiseCommandEvaluator final : public APMPCommandEvaluator { public: APMPBitwiseCommandEvaluator(); };
class APMPComparisonCommandEvaluator final : public APMPCommandEvaluator { public: APMPComparisonCommandEvaluator(); };
class APMPControlCommandEvaluator final : public APMPCommandEvaluator { public: APMPControlCommandEvaluator(); };
class APMPLogicalCommandEvaluator final : public APMPCommandEvaluator { public: APMPLogicalCommandEvaluator(); };
class APMPLoopCommandEvaluator final : public APMPCommandEvaluator { public: APMPLoopCommandEvaluator(); };
class APMPMathCommandEvaluator final : public APMPCommandEvaluator { public: APMPMathCommandEvaluator(); };
class APMPVariableCommandEvaluator final : public APMPCommandEvaluator { public: APMPVariableCommandEvaluator(); };

// The fallback for opcodes no evaluator claims: a call of the scope's function of that name.
class APMPFunctionEvaluator final : public APMPCommandEvaluator {
 public:
  APMPFunctionEvaluator() : APMPCommandEvaluator(Convention::Raw) {}
  APMPValueRef evaluateCommand(const std::u16string& opcode, const APMPValueList& arguments, APMPScope& scope,
                               APMPError& error) const override;
};
