#include "app/storage/LensAdapter.h"

#include <algorithm>

namespace app::storage {

std::string LensAdapter::localizedNone() {
  // The strings file maps the key "None" to "None" in the app's only language.
  return "None";
}

LensAdapter::LensAdapter(float adapter) : currentAdapter_(adapter) {
  adapterList_ = {1.0f, 0.64f, 0.58f, 0.71f, 0.71001f, 0.71002f, 0.64001f, 1.4f, 2.0f};
  adapterNameList_ = {localizedNone(),
                      "Metabones Speed Booster (BMCC)",
                      "Metabones Speed Booster (BMPCC)",
                      "Metabones Speed Booster (MFT)",
                      "Metabones Speed Booster (Sony NEX)",
                      "Metabones Speed Booster ULTRA",
                      "Metabones Speed Booster XL",
                      "Generic 1.4x Tele Converter",
                      "Generic 2x Tele Converter"};
  adapterShortNameList_ = {localizedNone(),       "Speed Booster BMCC", "Speed Booster BMPCC",
                           "Speed Booster MFT",   "Speed Booster NEX",  "Speed Booster ULTRA",
                           "Speed Booster XL",    "Tele 1.4x",          "Tele 2x"};
}

namespace {

std::string nameAt(const std::vector<float>& factors, const std::vector<std::string>& names, float adapter) {
  const auto found = std::find(factors.begin(), factors.end(), adapter);
  const auto index = static_cast<size_t>(found - factors.begin());
  return index < names.size() ? names[index] : std::string();
}

}  // namespace

std::string LensAdapter::getString4Adapter(float adapter) const {
  return nameAt(adapterList_, adapterNameList_, adapter);
}

std::string LensAdapter::getShortString4Adapter(float adapter) const {
  return nameAt(adapterList_, adapterShortNameList_, adapter);
}

}  // namespace app::storage

