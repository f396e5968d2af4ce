#pragma once

#include <string>

#include "app/model/LensAdapterRecord.h"

namespace app::setup {

// The factor label of a row of the adapter list: the factor (the squeeze for an anamorphic adapter,
// 1 / width) with the kind of adapter after it for anamorphic and user-made ones.
class AdapterRowTexts {
 public:
  static std::string factorText(const model::LensAdapterRecord& adapter);
  // An adapter of width factor 1 changes nothing, so its row shows no factor.
  static bool factorHidden(const model::LensAdapterRecord& adapter) { return adapter.adapterValueWidth == 1.0f; }
};

}  // namespace app::setup

