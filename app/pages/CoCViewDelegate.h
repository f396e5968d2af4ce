#pragma once

namespace app::pages {

// Told by the circle-of-confusion tile of the settings page after the user changed the factor, so the
// depth of field is computed again with it.
class CoCViewDelegate {
 public:
  virtual ~CoCViewDelegate() = default;
  virtual void calculateDOF() = 0;
};

}  // namespace app::pages

