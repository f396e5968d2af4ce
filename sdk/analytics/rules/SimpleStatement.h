#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "sdk/analytics/rules/ScriptScope.h"

namespace sdk::analytics {

class ScriptStatementValue;

// An operand of a simple statement, kept inside the statement so that running it touches nothing
// but the statement and the scope: a number literal, another literal, or a name with the place it
// was last found.
struct SimpleOperand {
  enum class Type : std::uint8_t { Number, Literal, Name };
  Type type = Type::Number;
  // The one its type reads. A literal or a name is of the statement's own arguments, which live as
  // long as it does.
  union {
    double number = 0;
    const ScriptValue* literal;
    const ScriptStringValue* name;
  };
  std::size_t hash = 0;
  mutable ScriptScope::NameCache cache;

  BindingName bindingName() const { return {name->value(), hash, name}; }
};

// A simple statement reads names and literals and does at most one thing after all of them: it
// cannot fail or make anything between two of its counted steps, so when all of its steps fit the
// meters they are counted at once and it runs from this compact form.
struct SimpleStatement {
  enum class Shape : std::uint8_t {
    None,             // not simple
    Read,             // a name: operands[0]
    Operation,        // arithmetic or a comparison of operands[0] and operands[1]
    Assign,           // the statement's name takes operands[0]
    AssignOperation,  // the statement's name takes the result of `operation`
  };
  Shape shape = Shape::None;
  std::uint8_t steps = 0;
  std::uint8_t depth = 0;
  SimpleOperand operands[2];
  const ScriptStatementValue* operation = nullptr;
};

}  // namespace sdk::analytics

