#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "sdk/analytics/rules/APMPRuntime.h"
#include "sdk/analytics/rules/APMPTestProgram.h"
#include "sdk/analytics/rules/APMPText.h"

// A runtime and helpers that run programs of the test form and read their results.
class ScriptTest : public ::testing::Test {
 protected:
  void useLimits(const APMPLimits& limits) { runtime = std::make_unique<APMPRuntime>(limits); }

  APMPValueRef run(const std::string& program) {
    error = {};
    return runtime->executeStatements(ostrel::testing::parse(program), error);
  }
  // The result's text, or "error <code>".
  std::string text(const std::string& program) {
    auto value = run(program);
    if (APMPFailed(error)) return "error " + std::to_string(error.code);
    APMPError conversion;
    auto out = APMPToUTF8(value->stringValueOrError(conversion));
    return APMPFailed(conversion) ? "no text" : out;
  }
  double number(const std::string& program) {
    auto value = run(program);
    APMPError conversion;
    return APMPFailed(error) ? -999999 : value->doubleValueOrError(conversion);
  }
  std::int64_t errorOf(const std::string& program) {
    run(program);
    return APMPFailed(error) ? error.code : 0;
  }
  // The kind and text of a result, as "number 3" or "string a".
  std::string typed(const std::string& program) {
    auto value = run(program);
    if (APMPFailed(error)) return "error " + std::to_string(error.code);
    static const char* kinds[] = {"empty", "undefined", "null", "boolean", "number", "string",
                                  "array", "map", "function", "statement", "control"};
    APMPError conversion;
    auto out = APMPToUTF8(value->stringValueOrError(conversion));
    return std::string(kinds[static_cast<int>(value->kind())]) + " " + out;
  }

  std::unique_ptr<APMPRuntime> runtime = std::make_unique<APMPRuntime>();
  APMPError error;
};
