#pragma once

#include <memory>
#include <string_view>
#include <utility>

#include "platform/foundation/Value.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Selector.h"

namespace sdk::interception {

// Replaces one method of a class (an instance method, or a class method on the metaclass) with a
// closure, and reads a method's current implementation. Every replacement and read runs on one
// process-wide serial queue, so a reader never sees another caller's replacement half made. A caller's
// own read-then-replace is two separate visits.
//
// Screen tracking wraps view-controller appearance methods this way:
//
//   IMP previous = MethodSwizzler::currentImplementationForClass(cls, kViewWillAppear.name, false);
//   MethodSwizzler::swizzleClass(cls, kViewWillAppear, false, [previous](Object& self, bool animated) {
//     track(self);
//     platform::runtime::callImplementation(previous, self, kViewWillAppear, animated);
//   });
class MethodSwizzler {
 public:
  // Installs `implementation` for the selector in the class itself (an inherited method gets an
  // override; the superclass keeps its own). Refused, with a warning and false, when the method exists
  // nowhere in the class's chain or when the replacement takes other arguments than the method does.
  [[nodiscard]] static bool swizzleClass(platform::runtime::Class* cls, std::string_view selector, bool isClassSelector,
                           platform::runtime::IMP implementation);

  // The closure takes the receiver first, then the method's arguments.
  template <class Sig, class F>
  [[nodiscard]] static bool swizzleClass(platform::runtime::Class* cls, const platform::runtime::Selector<Sig>& selector,
                           bool isClassSelector, F&& block) {
    if (!cls) return false;
    return swizzleClass(cls, selector.name, isClassSelector,
                        platform::runtime::makeImplementation<Sig>(std::forward<F>(block)));
  }

  // What the class's instances (or, for a class selector, the class itself) run now, inherited methods
  // included; nullptr when the class or the method is missing.
  static platform::runtime::IMP currentImplementationForClass(platform::runtime::Class* cls, std::string_view selector,
                                                              bool isClassSelector);

  // Whether the class (or its metaclass) has the method, inherited methods included.
  static bool selector(std::string_view selector, platform::runtime::Class* existsInClass, bool isClassSelector);

  // The values of the object-typed instance variables (encoding "@...") that the object's own class
  // declares, in declaration order; its superclasses' variables are left out. A variable holding no
  // object is given as null rather than skipped, so each place still stands for its variable. No
  // object gives an empty list.
  static platform::foundation::Array ivarObjectsForObject(const std::shared_ptr<platform::runtime::Object>& object);
};

}  // namespace sdk::interception

