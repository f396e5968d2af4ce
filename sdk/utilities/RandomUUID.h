#pragma once

#include <string>

namespace sdk::utilities {

// A fresh random (version 4) UUID in upper-case text, "XXXXXXXX-XXXX-4XXX-YXXX-XXXXXXXXXXXX": what names
// proxy subclasses and network sessions, so that two of them never meet.
std::string randomUUIDString();

}  // namespace sdk::utilities

