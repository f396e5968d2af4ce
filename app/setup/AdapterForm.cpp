#include "app/setup/AdapterForm.h"

#include <cmath>
#include <regex>

#include "app/model/NumericText.h"

namespace app::setup {

using app::model::NumericText;

std::optional<float> AdapterForm::factor(const std::string& text) {
  // The strict grammar keeps out what a C conversion would take: "inf", "nan", hex, a unit after the number.
  static const std::regex kDecimal(R"(^\s*[+-]?(\d+(\.\d*)?|\.\d+)([eE][+-]?\d+)?\s*$)");
  const std::string dotted = NumericText::replacingAll(text, ",", ".");
  if (!std::regex_match(dotted, kDecimal)) return std::nullopt;
  const float value = NumericText::floatValue(dotted);
  if (!std::isfinite(value) || value <= 0.0f) return std::nullopt;
  return value;
}

AdapterForm::Check AdapterForm::check(const std::string& name, const std::string& factorText) {
  Check result;
  result.nameError = name.empty();
  result.factorError = !factor(factorText);
  return result;
}

QuorvelLensAdapter AdapterForm::adapter(const std::string& name, float factor, bool anamorphic) {
  QuorvelLensAdapter adapter;
  adapter.adapterName = name;
  adapter.adapterValueWidth = anamorphic ? 1.0f / factor : factor;
  adapter.adapterValueHeight = anamorphic ? 1.0f : factor;
  adapter.adapterType = 1;
  return adapter;
}

}  // namespace app::setup
