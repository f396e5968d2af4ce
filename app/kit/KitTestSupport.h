#pragma once

// Shared by the kit's tests: the main-thread environment (manual clock, drained main loop) over a
// fresh app container with the theme flag chosen per test.
#include <memory>

#include "app/state/FramesObject.h"
#include "app/state/SavedThemeFlag.h"
#include "platform/foundation/PropertyList.h"
#include "platform/graphics/Image.h"
#include "platform/ui/Renderer.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace ostrel::testing {

class KitTestEnvironment : public MainThreadEnvironment {
 public:
  // Writes the preference file with only the theme flag, as the settings page would leave it.
  static void setDarkMode(bool dark) {
    platform::foundation::Dictionary prefs{{"SETTINGS_APPINDARKMODE", dark}};
    platform::foundation::PropertyList::writeFile(app::state::FramesObject::preferencePath(),
                                                  platform::foundation::Value(std::move(prefs)),
                                                  platform::foundation::PropertyList::Format::Xml);
    app::state::SavedThemeFlag::fileChanged();
  }

  // The view drawn alone at scale 1.
  static std::shared_ptr<platform::graphics::Image> render(platform::ui::View& view) {
    return platform::ui::Renderer::render(view, 1);
  }

 private:
  TempContainer container_;
};

// Colour components as whole bytes, for comparing with the palette's byte values.
struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};
inline Rgb bytes(const platform::graphics::Color& c) {
  return {static_cast<int>(c.red() * 255 + 0.5), static_cast<int>(c.green() * 255 + 0.5),
          static_cast<int>(c.blue() * 255 + 0.5)};
}
inline std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

}  // namespace ostrel::testing
