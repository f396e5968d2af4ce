#pragma once

#include <string>

#include "platform/runtime/Class.h"
#include "platform/runtime/Protocol.h"

namespace platform::runtime::testsupport {

// The name, or the name and a number when an earlier run in this process (gtest repeat) took it.
inline std::string freshName(const std::string& base) {
  for (int n = 1;; ++n) {
    std::string name = n == 1 ? base : base + std::to_string(n);
    if (!Class::named(name) && !Protocol::named(name)) return name;
  }
}

// A registered run-time class under a fresh name.
inline Class* makeClass(Class* super, const std::string& name) {
  Class* cls = Class::allocateClassPair(super, freshName(name));
  Class::registerClassPair(cls);
  return cls;
}

}  // namespace platform::runtime::testsupport
