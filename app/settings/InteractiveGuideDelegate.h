#pragma once

namespace app::settings {

class BasicGuide;

// A screen that places the guides the guide manager hands it (or, for the rating request, shows the
// rating prompt).
class InteractiveGuideDelegate {
 public:
  virtual ~InteractiveGuideDelegate() = default;
  virtual void showGuide(BasicGuide& guide) = 0;
};

// Told by a guide when it ends.
class GuideManagerDelegate {
 public:
  virtual ~GuideManagerDelegate() = default;
  virtual void exitGuide(BasicGuide& guide) = 0;
};

}  // namespace app::settings

