#include "app/model/LensAdapterRecord.h"

#include "app/model/DisplayNumbers.h"

using app::model::DisplayNumbers;

namespace app::model {

std::string LensAdapterRecord::displayValue() const {
  if (adapterValueWidth != adapterValueHeight) {
    return DisplayNumbers::ratio(1.0 / static_cast<double>(adapterValueWidth)) + "x ANA";
  }
  return DisplayNumbers::ratio(adapterValueWidth) + "x";
}

}  // namespace app::model

