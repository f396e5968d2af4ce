#include "sdk/core/VURLogger.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "platform/foundation/ProcessArguments.h"
#include "platform/foundation/UserDefaults.h"
#include "sdk/core/VURVersion.h"

namespace {

struct SetUpState {
  std::mutex mutex;
  bool done = false;
};

SetUpState& setUpState() {
  static auto* state = new SetUpState;  // lines may be logged while statics are torn down
  return *state;
}

bool hasArgument(const std::vector<std::string>& arguments, const char* argument) {
  return std::find(arguments.begin(), arguments.end(), argument) != arguments.end();
}

void setUp() {
  VDULoggerRegisterVersion(kVURVurevoreVersion);
  const std::vector<std::string> arguments = platform::foundation::processArguments();
  const bool forceStderr = hasArgument(arguments, kVURForceStderrArgument);
  auto defaults = platform::foundation::UserDefaults::standard();
  const bool remembered = defaults->boolForKey(kVURDebugModeKey);

  auto startClient = [forceStderr] {
    VDULoggerInitializeASL();
    if (forceStderr) VDULoggerEnableSTDERR();
  };
  if (hasArgument(arguments, kVURDebugDisabledArgument)) {
    defaults->removeObjectForKey(kVURDebugModeKey);
    defaults->synchronize();
    startClient();
    return;
  }
  if (hasArgument(arguments, kVURDebugEnabledArgument) || remembered) {
    defaults->setBool(true, kVURDebugModeKey);
    defaults->synchronize();
    startClient();
    VDULoggerForceDebug();
    return;
  }
  startClient();
}

}  // namespace

void VURLoggerInitialize() {
  SetUpState& state = setUpState();
  std::lock_guard lock(state.mutex);
  if (state.done) return;
  state.done = true;
  setUp();
}

void VURSetLoggerLevel(int level) {
  VURLoggerInitialize();
  VDUSetLoggerLevel(level);
}

void VURLogBasic(int level, std::string_view service, std::string_view messageCode, std::string_view format,
                 std::span<const platform::foundation::FormatArg> args) {
  VURLoggerInitialize();
  VDULogBasic(level, service, false, messageCode, format, args);
}

void VURLoggerResetForTesting() {
  SetUpState& state = setUpState();
  std::lock_guard lock(state.mutex);
  state.done = false;
}
