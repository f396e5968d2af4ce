#include "testing/ScopedFileSizeLimit.h"

namespace ostrel::testing {

ScopedFileSizeLimit::ScopedFileSizeLimit(rlim_t bytes) {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGXFSZ, &ignore, &previousAction_);
  ::getrlimit(RLIMIT_FSIZE, &previous_);
  rlimit limited = previous_;
  limited.rlim_cur = bytes;
  ::setrlimit(RLIMIT_FSIZE, &limited);
}

ScopedFileSizeLimit::~ScopedFileSizeLimit() {
  ::setrlimit(RLIMIT_FSIZE, &previous_);
  ::sigaction(SIGXFSZ, &previousAction_, nullptr);
}

}  // namespace ostrel::testing
