#pragma once

namespace app::setup {

// The setup screens in the app's storyboard "Main_Universal", registered by a load hook at start: before
// the main screen's stand-in for the setup menu, which is registered only where none is.
class SetupRegistration {
 public:
  static constexpr const char* kStoryboard = "Main_Universal";
  static constexpr int kLoadOrder = 80;

  static void registerSetupScreens();
};

}  // namespace app::setup
