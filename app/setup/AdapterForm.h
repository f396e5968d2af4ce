#pragma once

#include <optional>
#include <string>

#include "app/model/LensAdapterRecord.h"

namespace app::setup {

// The new-adapter form's input: a name and a factor typed as text ("0.65", "1,33"), with a toggle
// that makes the adapter anamorphic (it then squeezes the width by the factor and leaves the height).
class AdapterForm {
 public:
  struct Check {
    bool nameError = false;
    bool factorError = false;
    bool anyError() const { return nameError || factorError; }
  };

  // The factor of the text, read as the setup forms read numbers. A factor must be one an adapter can
  // have, from a tenth to a hundred times: an anamorphic adapter stores 1 / factor, the optics divide by
  // the stored factors, and a factor of a billion would turn every lens into none that exists.
  static std::optional<float> factor(const std::string& text);
  static Check check(const std::string& name, const std::string& factorText);
  // The adapter the form stores: width and height the factor, or (1 / factor, 1) when anamorphic.
  // Only for input that passed check().
  static model::LensAdapterRecord adapter(const std::string& name, float factor, bool anamorphic);
};

}  // namespace app::setup

