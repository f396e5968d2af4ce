#include "sdk/utilities/RandomUUID.h"

#include <uuid/uuid.h>

namespace sdk::utilities {

std::string randomUUIDString() {
  uuid_t bytes;
  uuid_generate_random(bytes);
  char text[37];
  uuid_unparse_upper(bytes, text);
  return text;
}

}  // namespace sdk::utilities

