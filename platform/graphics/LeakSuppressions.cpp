#include "platform/graphics/LeakSuppressions.h"

namespace platform::graphics {

const char* leakSuppressions() { return "leak:libfontconfig.so\nleak:libdbus-1.so\n"; }

}  // namespace platform::graphics

// The one definition in the project; the sanitizer runtime's own empty one gives way to it.
extern "C" __attribute__((used)) const char* __lsan_default_suppressions() {
  return platform::graphics::leakSuppressions();
}
