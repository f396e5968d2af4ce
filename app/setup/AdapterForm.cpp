#include "app/setup/AdapterForm.h"

#include "app/optics/LensLimits.h"
#include "app/setup/SetupForm.h"

namespace app::setup {

std::optional<float> AdapterForm::factor(const std::string& text) {
  if (!FormNumber::isPositive(text)) return std::nullopt;
  float value = FormNumber::value(text);
  if (!app::optics::LensLimits::isAdapterFactor(value)) return std::nullopt;
  return value;
}

AdapterForm::Check AdapterForm::check(const std::string& name, const std::string& factorText) {
  Check result;
  result.nameError = name.empty();
  result.factorError = !factor(factorText);
  return result;
}

model::LensAdapterRecord AdapterForm::adapter(const std::string& name, float factor, bool anamorphic) {
  model::LensAdapterRecord adapter;
  adapter.adapterName = name;
  adapter.adapterValueWidth = anamorphic ? 1.0f / factor : factor;
  adapter.adapterValueHeight = anamorphic ? 1.0f : factor;
  adapter.adapterType = 1;
  return adapter;
}

}  // namespace app::setup

