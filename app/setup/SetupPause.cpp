#include "app/setup/SetupPause.h"

#include <chrono>
#include <thread>

namespace app::setup {

namespace {

SetupPause::Handler& pauseHandler() {
  static SetupPause::Handler handler;
  return handler;
}

}  // namespace

void SetupPause::pause(double seconds) {
  if (const auto& handler = pauseHandler()) {
    handler(seconds);
    return;
  }
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

SetupPause::Handler SetupPause::setHandler(Handler handler) {
  Handler previous = std::move(pauseHandler());
  pauseHandler() = std::move(handler);
  return previous;
}

}  // namespace app::setup
