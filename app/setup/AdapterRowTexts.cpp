#include "app/setup/AdapterRowTexts.h"

#include "app/model/DisplayNumbers.h"
#include "app/setup/SetupText.h"
#include "platform/ui/LocalizedStrings.h"

namespace app::setup {

namespace {

}  // namespace

std::string AdapterRowTexts::factorText(const model::LensAdapterRecord& adapter) {
  const float width = adapter.adapterValueWidth;
  const bool anamorphic = width != adapter.adapterValueHeight;
  const bool custom = adapter.adapterType == 1;
  const double factor = anamorphic ? 1.0 / static_cast<double>(width) : static_cast<double>(width);
  const std::string number = model::DisplayNumbers::ratio(factor) + "x";
  if (!custom) return anamorphic ? number + " " + localized("ANA") : number;
  return number + " " + localized(anamorphic ? "ANA | CUSTOM" : "CUSTOM");
}

}  // namespace app::setup

