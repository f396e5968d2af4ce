#include "platform/foundation/Check.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/log/Log.h"

namespace platform::foundation {

void checkFailed(const char* condition, const char* file, int line) {
  const std::string message =
      std::string("Check failed: ") + condition + " (" + file + ":" + std::to_string(line) + ")";
  platform::log::write(platform::log::Error, message);
  // The log may echo nothing to stderr; the reason for the abort must reach whoever ran the program.
  std::fprintf(stderr, "%s\n", message.c_str());
  std::abort();
}

}  // namespace platform::foundation
