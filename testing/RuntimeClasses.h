#pragma once

#include <string>

#include "platform/runtime/Class.h"
#include "platform/runtime/Protocol.h"

namespace ostrel::testing {

// The name, or the name and a number when an earlier run in this process (gtest repeat) took it.
inline std::string freshName(const std::string& base) {
  for (int n = 1;; ++n) {
    std::string name = n == 1 ? base : base + std::to_string(n);
    if (!platform::runtime::Class::named(name) && !platform::runtime::Protocol::named(name)) return name;
  }
}

// A registered run-time class under a fresh name.
inline platform::runtime::Class* makeClass(platform::runtime::Class* super, const std::string& name) {
  auto* cls = platform::runtime::Class::allocateClassPair(super, freshName(name));
  platform::runtime::Class::registerClassPair(cls);
  return cls;
}

}  // namespace ostrel::testing
