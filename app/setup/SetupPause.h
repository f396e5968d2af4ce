#pragma once

#include <functional>

namespace app::setup {

// The short stop a final pick makes before its picker closes, blocking the main thread so the chosen
// row is what the person last sees. Tests put a recorder in its place.
class SetupPause {
 public:
  static constexpr double kFinalPick = 0.15;
  using Handler = std::function<void(double seconds)>;
  static void pause(double seconds = kFinalPick);
  // Returns the handler it replaces; an empty handler puts the real pause back.
  static Handler setHandler(Handler handler);
};

}  // namespace app::setup
