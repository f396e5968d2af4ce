#include "testing/ScratchFolder.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "platform/foundation/PreferencesDomain.h"

namespace ostrel::testing {

ScratchFolder::ScratchFolder(const std::string& prefix) {
  std::error_code code;
  auto base = std::filesystem::temp_directory_path(code);
  std::string pattern = (code ? std::filesystem::path("/tmp") : base).string() + "/" + prefix + "-XXXXXX";
  if (!::mkdtemp(pattern.data()))
    throw std::runtime_error("cannot make a scratch folder: " + std::string(std::strerror(errno)));
  path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  platform::foundation::PreferencesDomain::forgetFolder(path_);
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace ostrel::testing
