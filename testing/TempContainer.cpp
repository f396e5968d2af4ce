#include "testing/TempContainer.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "platform/foundation/Paths.h"

namespace ostrel::testing {

using platform::foundation::Paths;

TempContainer::TempContainer() {
  std::error_code code;
  auto base = std::filesystem::temp_directory_path(code);
  std::string pattern = (code ? std::filesystem::path("/tmp") : base).string() + "/ostrel-test-XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    throw std::runtime_error("cannot make a temporary container: " + std::string(std::strerror(errno)));
  }
  path_ = pattern;
  previousRoot_ = Paths::setRoot(path_);
}

TempContainer::~TempContainer() {
  Paths::setRoot(previousRoot_);
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace ostrel::testing
