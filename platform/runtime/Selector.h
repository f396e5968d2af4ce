#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <utility>

#include "platform/foundation/Exception.h"

namespace platform::runtime {

class Object;

// A selector names a method and fixes its C++ signature, so a call with the wrong arguments does not
// compile. The name's characters are also the key of the per-class dispatch cache, so they must live as
// long as the process: a string literal, or a name from internSelectorName().
//
//   inline constexpr Selector<bool(Application&, const Value&)> kDidFinishLaunching{
//       "application:didFinishLaunchingWithOptions:"};
template <class Sig>
struct Selector;

template <class R, class... A>
struct Selector<R(A...)> {
  using Signature = R(A...);
  using Result = R;
  std::string_view name;
};

// Gives a selector name built at run time storage that never goes away.
std::string_view internSelectorName(std::string_view name);

// One address per signature: comparing two of them is how a call checks, at run time, that the stored
// implementation takes the arguments the caller passes.
using SignatureId = const void*;
namespace detail {
template <class Sig>
struct SignatureTag {
  static constexpr char tag = 0;
};
}  // namespace detail
template <class Sig>
constexpr SignatureId signatureOf() {
  return &detail::SignatureTag<Sig>::tag;
}

// A method body, type-erased. Implementations are never freed: a thread may still be running one that
// another thread has just replaced, so their lifetime is the process's.
class Implementation {
 public:
  virtual ~Implementation() = default;
  SignatureId signature() const { return signature_; }
  // The signature as the compiler spells it, for failure messages.
  const char* signatureName() const { return signatureName_; }

 protected:
  Implementation(SignatureId signature, const char* signatureName)
      : signature_(signature), signatureName_(signatureName) {}

 private:
  SignatureId signature_;
  const char* signatureName_;
};

using IMP = const Implementation*;

template <class Sig>
class TypedImplementation;

// Calls go through one plain function pointer into the stored closure: no empty-state check and no
// second indirection, so dispatch stays close to a virtual call.
template <class R, class... A>
class TypedImplementation<R(A...)> : public Implementation {
 public:
  template <class... P>
  R call(Object& self, P&&... args) const {
    return thunk_(this, self, std::forward<P>(args)...);
  }

 protected:
  using Thunk = R (*)(const TypedImplementation*, Object&, A...);
  explicit TypedImplementation(Thunk thunk)
      : Implementation(signatureOf<R(A...)>(), typeid(R(A...)).name()), thunk_(thunk) {}

 private:
  Thunk thunk_;
};

template <class F, class R, class... A>
class ClosureImplementation final : public TypedImplementation<R(A...)> {
 public:
  explicit ClosureImplementation(F fn) : TypedImplementation<R(A...)>(&invoke), fn_(std::move(fn)) {}

 private:
  static R invoke(const TypedImplementation<R(A...)>* base, Object& self, A... args) {
    return static_cast<const ClosureImplementation*>(base)->fn_(self, std::forward<A>(args)...);
  }
  F fn_;
};

namespace detail {
IMP keepForever(std::unique_ptr<Implementation> imp);
[[noreturn]] void throwWrongReceiver(const Object& receiver, const char* expectedType);
}  // namespace detail

// Makes an implementation from a closure whose first parameter is the receiver. With Self other than
// Object the closure takes the receiver as that C++ type; a receiver of another type raises
// NSInvalidArgumentException instead of being reinterpreted.
template <class Sig, class Self = Object, class F>
IMP makeImplementation(F&& fn) {
  return [&]<class R, class... A>(std::type_identity<R(A...)>) -> IMP {
    if constexpr (std::is_same_v<Self, Object>) {
      using Fn = std::decay_t<F>;
      static_assert(std::is_invocable_r_v<R, const Fn&, Object&, A...>,
                    "the closure must take the receiver, then the selector's arguments");
      return detail::keepForever(std::make_unique<ClosureImplementation<Fn, R, A...>>(std::forward<F>(fn)));
    } else {
      static_assert(std::is_base_of_v<Object, Self>, "the receiver type must be a runtime object");
      auto wrapped = [body = std::forward<F>(fn)](Object& self, A... args) -> R {
        auto* typed = dynamic_cast<Self*>(&self);
        if (!typed) detail::throwWrongReceiver(self, typeid(Self).name());
        return body(*typed, std::forward<A>(args)...);
      };
      return detail::keepForever(
          std::make_unique<ClosureImplementation<decltype(wrapped), R, A...>>(std::move(wrapped)));
    }
  }(std::type_identity<Sig>{});
}

}  // namespace platform::runtime
