#pragma once

#include <functional>

#include "platform/ui/ViewController.h"

namespace app::setup {

// The short stop a final pick makes before its picker closes. The chosen row is already drawn and stays
// what the person sees for kFinalPick seconds on the clock; then `then` runs (closing the picker, going
// back). The main thread never waits: the rest runs from a timer, and meanwhile the owner's window
// refuses touches, so a second tap or Back cannot act on a screen that is going away. `then` is dropped
// when `owner` has gone by then.
class SetupPause {
 public:
  static constexpr double kFinalPick = 0.15;
  static void pause(platform::ui::ViewController& owner, std::function<void()> then);
};

}  // namespace app::setup

