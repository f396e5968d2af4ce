#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "sdk/analytics/rules/ScriptRuntime.h"
#include "sdk/analytics/rules/ScriptProgramTestSupport.h"
#include "sdk/analytics/rules/ScriptText.h"

namespace sdk::analytics {

// A runtime and helpers that run programs of the test form and read their results.
class ScriptTest : public ::testing::Test {
 protected:
  void useLimits(const ScriptLimits& limits) { runtime = std::make_unique<ScriptRuntime>(limits); }

  ScriptValueRef run(const std::string& program) {
    error = {};
    return runtime->executeStatements(ostrel::testing::parse(program), error);
  }
  // The result's text, or "error <code>".
  std::string text(const std::string& program) {
    auto value = run(program);
    if (hasScriptError(error)) return "error " + std::to_string(error.code);
    ScriptRuntimeError conversion;
    auto out = utf8FromUTF16(value->stringValueOrError(conversion));
    return hasScriptError(conversion) ? "no text" : out;
  }
  double number(const std::string& program) {
    auto value = run(program);
    ScriptRuntimeError conversion;
    return hasScriptError(error) ? -999999 : value->doubleValueOrError(conversion);
  }
  std::int64_t errorOf(const std::string& program) {
    run(program);
    return hasScriptError(error) ? error.code : 0;
  }
  // The kind and text of a result, as "number 3" or "string a".
  std::string typed(const std::string& program) {
    auto value = run(program);
    if (hasScriptError(error)) return "error " + std::to_string(error.code);
    static const char* kinds[] = {"empty", "undefined", "null", "boolean", "number", "string",
                                  "array", "map", "function", "statement", "control"};
    ScriptRuntimeError conversion;
    auto out = utf8FromUTF16(value->stringValueOrError(conversion));
    return std::string(kinds[static_cast<int>(value->kind())]) + " " + out;
  }

  std::unique_ptr<ScriptRuntime> runtime = std::make_unique<ScriptRuntime>();
  ScriptRuntimeError error;
};

}  // namespace sdk::analytics

