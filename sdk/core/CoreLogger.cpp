#include "sdk/core/CoreLogger.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "platform/foundation/ProcessArguments.h"
#include "platform/foundation/UserDefaults.h"
#include "sdk/core/SDKVersion.h"

namespace sdk::core {

namespace {

struct SetUpState {
  std::mutex mutex;
  bool done = false;
};

SetUpState& setUpState() {
  static auto* state = new SetUpState;  // lines may be logged while statics are torn down
  return *state;
}

// The command line warns of single-dash words nobody reads; these are read.
[[maybe_unused]] const bool coreLoggerSwitchesDeclared =
    (platform::foundation::declareLaunchArguments({kDebugEnabledArgument, kDebugDisabledArgument, kForceStderrArgument}),
     true);

bool hasArgument(const std::vector<std::string>& arguments, const char* argument) {
  return std::find(arguments.begin(), arguments.end(), argument) != arguments.end();
}

void setUp() {
  sdk::utilities::registerLoggerVersion(kSDKVersion);
  const std::vector<std::string> arguments = platform::foundation::processArguments();
  const bool forceStderr = hasArgument(arguments, kForceStderrArgument);
  auto defaults = platform::foundation::UserDefaults::standard();
  const bool remembered = defaults->boolForKey(kDebugModeKey);

  auto startClient = [forceStderr] {
    sdk::utilities::initializeLogger();
    if (forceStderr) sdk::utilities::enableLoggerStderr();
  };
  if (hasArgument(arguments, kDebugDisabledArgument)) {
    defaults->removeObjectForKey(kDebugModeKey);
    defaults->synchronize();
    startClient();
    return;
  }
  if (hasArgument(arguments, kDebugEnabledArgument) || remembered) {
    defaults->setBool(true, kDebugModeKey);
    defaults->synchronize();
    startClient();
    sdk::utilities::forceLoggerDebug();
    return;
  }
  startClient();
}

}  // namespace

void initializeCoreLogger() {
  SetUpState& state = setUpState();
  std::lock_guard lock(state.mutex);
  if (state.done) return;
  state.done = true;
  setUp();
}

void setCoreLoggerLevel(int level) {
  initializeCoreLogger();
  sdk::utilities::setLoggerLevel(level);
}

void coreLogBasic(int level, std::string_view service, std::string_view messageCode,
                  platform::foundation::FormatLiteral format, std::span<const platform::foundation::FormatArg> args) {
  initializeCoreLogger();
  sdk::utilities::logBasic(level, service, false, messageCode, format, args);
}

void resetCoreLoggerForTesting() {
  SetUpState& state = setUpState();
  std::lock_guard lock(state.mutex);
  state.done = false;
}

}  // namespace sdk::core

