#include "platform/dispatch/MainLoop.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/LoadHooks.h"
#include "platform/ui/Application.h"

int main(int argc, char** argv) {
  platform::dispatch::MainLoop::setMainThread();
  // The hooks register the app's classes; the delegate is the app's "AppDelegate" once it exists.
  platform::runtime::runLoadHooks();
  const bool haveDelegate = platform::runtime::Class::named("AppDelegate") != nullptr;
  // Launching is all there is to do for now: the screens and their main loop come with the shell.
  return platform::ui::applicationMain(argc, argv, haveDelegate ? "AppDelegate" : "", {.runMainLoop = false});
}
