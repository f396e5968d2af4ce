#include "testing/FileContents.h"

#include <fstream>
#include <sstream>

namespace ostrel::testing {

std::string contentsOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace ostrel::testing
