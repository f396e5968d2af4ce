#pragma once

#include <string>

namespace ostrel::testing {

// The whole of the file at `path` as bytes; empty when it cannot be read (a test then fails on what it
// expected to find, which says more than an exception would).
std::string contentsOf(const std::string& path);

}  // namespace ostrel::testing
