#include "testing/RepeatCount.h"

#include <cstdlib>
#include <string_view>

namespace ostrel::testing {

int repeatCount(int everyday, int thorough) {
  const char* value = std::getenv("OSTREL_THOROUGH");
  return value != nullptr && *value != '\0' && std::string_view(value) != "0" ? thorough : everyday;
}

}  // namespace ostrel::testing
