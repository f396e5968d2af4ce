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

  ScriptValueRef run(const std::string& program) { return record(runtime->executeStatements(ostrel::testing::parse(program))); }
  // Keeps the result's error in `error` (no domain when it succeeded); its value, undefined on error.
  ScriptValueRef record(ErrorOr<ScriptValueRef> result) {
    error = result.ok() ? ScriptRuntimeError{} : result.error();
    return result.ok() ? std::move(result).value() : ScriptValueRef(scriptUndefined());
  }
  bool failed() const { return !error.domain.empty(); }
  // The result's text, or "error <code>".
  std::string text(const std::string& program) {
    auto value = run(program);
    if (failed()) return "error " + std::to_string(error.code);
    const auto converted = value->stringValueOrError();
    return converted.ok() ? utf8FromUTF16(*converted) : "no text";
  }
  double number(const std::string& program) {
    auto value = run(program);
    return failed() ? -999999 : value->doubleValueOrError().valueOr(-999999);
  }
  std::int64_t errorOf(const std::string& program) {
    run(program);
    return failed() ? error.code : 0;
  }
  // The kind and text of a result, as "number 3" or "string a".
  std::string typed(const std::string& program) {
    auto value = run(program);
    if (failed()) return "error " + std::to_string(error.code);
    static const char* kinds[] = {"empty", "undefined", "null", "boolean", "number", "string",
                                  "array", "map", "function", "statement", "control"};
    auto out = utf8FromUTF16(value->stringValueOrError().valueOr(u""));
    return std::string(kinds[static_cast<int>(value->kind())]) + " " + out;
  }

  std::unique_ptr<ScriptRuntime> runtime = std::make_unique<ScriptRuntime>();
  // The last run's error.
  ScriptRuntimeError error;
};

}  // namespace sdk::analytics

