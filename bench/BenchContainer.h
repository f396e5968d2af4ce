#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/foundation/Paths.h"

namespace ostrel::bench {

// One throw-away app container per benchmark program, made on first use and deleted at exit.
struct Container {
  Container() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/ostrel-bench-XXXXXX";
    if (::mkdtemp(pattern.data())) path = pattern;
    platform::foundation::Paths::setRoot(path);
  }
  ~Container() { std::filesystem::remove_all(path); }
  std::string path;
};

inline Container& container() {
  static Container instance;
  return instance;
}

}  // namespace ostrel::bench
