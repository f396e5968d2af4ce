#include "sdk/utilities/VDUUUID.h"

#include <uuid/uuid.h>

std::string VDUUUIDString() {
  uuid_t bytes;
  uuid_generate_random(bytes);
  char text[37];
  uuid_unparse_upper(bytes, text);
  return text;
}
