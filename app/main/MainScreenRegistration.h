#pragma once

namespace app::main {

// The main screen in the app's storyboard "Main_Universal", registered by a load hook at start as the
// storyboard's first screen. The setup screens it opens register themselves under their own identifiers.
class MainScreenRegistration {
 public:
  static constexpr const char* kStoryboard = "Main_Universal";
  static constexpr int kLoadOrder = 100;

  static void registerMainScreen();
};

}  // namespace app::main
