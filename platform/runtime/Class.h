#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "platform/runtime/InstanceVariable.h"
#include "platform/runtime/Object.h"
#include "platform/runtime/Selector.h"
#include "platform/runtime/detail/MethodCache.h"

namespace platform::runtime {

// Where a class comes from, the way the phone tells the app's own code from its frameworks.
enum class Image { App, Platform, Sdk };

// A class of the runtime. Classes are never freed, so a Class* stays valid for the process. A class is
// itself an object whose class is its metaclass: class methods live in the metaclass's method table and
// are sent to the class object (`send(*cls, kSharedInstance)`).
//
// Method tables may change while other threads dispatch: every change bumps a process-wide version,
// and each class's look-up cache is rebuilt lazily for the new version.
class Class final : public Object {
 public:
  using Factory = std::function<std::shared_ptr<Object>()>;

  // A registered class by name; nullptr when none.
  static Class* named(std::string_view name);
  // The root class "NSObject".
  static Class* root();
  // A new class and its metaclass, not yet registered; nullptr when the name is taken (by a registered
  // class or one allocated and not yet disposed) or empty. Instances keep the superclass's C++ type.
  static Class* allocateClassPair(Class* superclass, std::string_view name, Image image = Image::App);
  static void registerClassPair(Class* cls);
  // Gives the name of an allocated, unregistered class back; a registered class is refused (false).
  static bool disposeClassPair(Class* cls);

  const std::string& name() const { return name_; }
  Class* superclass() const { return superclass_; }
  Class* metaclass() const { return metaclass_; }
  bool isMetaclass() const { return metaclass_ == nullptr; }
  Image image() const { return image_; }
  bool isRegistered() const;
  bool isSubclassOf(const Class* other) const;  // true for the class itself
  std::size_t instanceSize() const { return instanceSize_; }

  // Methods by selector name ("application:openURL:options:").
  // Adds a method this class does not define itself (an inherited one is overridden); false otherwise.
  bool addMethod(std::string_view selector, IMP imp);
  // Sets this class's own method, adding an override when only a superclass has it. Returns the
  // class's previous own implementation, nullptr when there was none.
  IMP replaceMethod(std::string_view selector, IMP imp);
  IMP ownMethod(std::string_view selector) const;
  // The implementation instances of this class run, inherited ones included; nullptr when none.
  IMP lookup(std::string_view selector) const;
  bool instancesRespondTo(std::string_view selector) const { return lookup(selector) != nullptr; }
  std::vector<std::string> ownMethodNames() const;

  template <class Sig, class Self = Object, class F>
  bool addMethod(const Selector<Sig>& selector, F&& fn) {
    return addMethod(selector.name, makeImplementation<Sig, Self>(std::forward<F>(fn)));
  }
  template <class Sig, class Self = Object, class F>
  IMP replaceMethod(const Selector<Sig>& selector, F&& fn) {
    return replaceMethod(selector.name, makeImplementation<Sig, Self>(std::forward<F>(fn)));
  }

  // The dispatch path: `lookup` through a lock-free cache keyed by the address of the selector's
  // characters (see Selector).
  IMP cachedLookup(std::string_view selector) const {
    const detail::MethodCache* cache = cache_.load(std::memory_order_acquire);
    if (cache && cache->version == detail::gMethodsVersion.load(std::memory_order_acquire)) {
      IMP imp = nullptr;
      if (cache->find(selector, imp)) return imp;
    }
    return fillCache(selector);
  }

  // The instance variables this class declares itself, in the order they were added, which is their
  // order of declaration; a superclass lists its own. A class lists the variables whose values the
  // runtime can hand out (objects, strings, lists, numbers). Adding refuses (false) a metaclass, an
  // empty name or a name the class lists already.
  bool addIvar(InstanceVariable ivar);
  std::vector<InstanceVariable> ivarList() const;
  // A variable of the class's C++ type `Self`, read by `get`: a data member pointer or a function of the
  // instance (a getter that takes the lock its member needs). Its encoding follows from what it reads.
  template <class Self, class Get>
  bool addIvar(std::string_view name, Get get) {
    using Read = std::remove_cvref_t<std::invoke_result_t<const Get&, const Self&>>;
    return addIvar(InstanceVariable(std::string(name), IvarType<Read>::encoding(),
                                    [get = std::move(get)](const Object& instance) -> foundation::Value {
                                      const auto* self = dynamic_cast<const Self*>(&instance);
                                      return self ? IvarType<Read>::value(std::invoke(get, *self)) : foundation::Value();
                                    }));
  }

  bool addProtocol(Protocol* protocol);  // false when already listed
  bool conformsTo(const Protocol* protocol) const;  // through superclasses and inherited protocols

  // A new instance of the nearest C++ type up the chain, with this class as its class; nullptr when
  // that type cannot be made without arguments.
  std::shared_ptr<Object> createInstance() const;

  std::string description() const override { return name_; }

  // Used by classOf<T>(): registers a class for a C++ type, or finds the one already registered for it.
  static Class* declareNative(std::string_view name, Class* superclass, Image image,
                              const std::type_info& type, Factory factory, std::size_t instanceSize);

 private:
  using Cache = detail::MethodCache;
  Class(std::string name, Class* superclass, Class* metaclass, Image image);
  static Class* createPairLocked(Class* superclass, std::string_view name, Image image);
  IMP fillCache(std::string_view selector) const;
  IMP lookupLocked(std::string_view selector) const;

  std::string name_;
  Class* superclass_;
  Class* metaclass_;  // nullptr for a metaclass itself
  Image image_;
  std::size_t instanceSize_ = 0;
  const std::type_info* nativeType_ = nullptr;  // set for classes declared for a C++ type
  Factory factory_;
  std::map<std::string, IMP, std::less<>> methods_;  // guarded by the registry lock
  std::vector<Protocol*> protocols_;
  std::vector<InstanceVariable> ivars_;  // guarded by the registry lock
  bool registered_ = false;  // these two guarded by the registry lock
  bool disposed_ = false;
  mutable std::atomic<const Cache*> cache_{nullptr};
  mutable std::vector<std::unique_ptr<Cache>> caches_;  // every cache ever published, never freed
};

// How a C++ type names its runtime class: the name, the runtime superclass type and the image, in one
// member so that a subclass which forgets its own inherits its base's name and is refused, instead of
// quietly taking the base's place in the class tree.
template <class Super>
struct NativeClass {
  using RuntimeSuper = Super;
  std::string_view name;
  Image image = Image::App;
};

namespace detail {
template <class T>
inline std::atomic<Class*> nativeClass{nullptr};
}  // namespace detail

// The runtime class of a C++ type, declared on first use:
//
//   class AppDelegate : public platform::runtime::Object {
//    public:
//     static constexpr platform::runtime::NativeClass<platform::runtime::Object> kRuntimeClass{"AppDelegate"};
//     AppDelegate() : Object(platform::runtime::classOf<AppDelegate>()) {}
//   };
//
// A type that others derive from also offers a constructor taking the class, so each object starts with
// its most derived class: `protected: explicit ViewController(Class* cls) : Object(cls) {}`.
// createInstance() works for types constructible without arguments.
//
// A name already taken by another class (a run-time one, or another C++ type's) raises
// NSInternalInconsistencyException.
template <class T>
Class* classOf() {
  if constexpr (std::is_same_v<T, Object>) {
    return Class::root();
  } else {
    static_assert(std::is_base_of_v<Object, T>, "runtime classes are made for runtime objects");
    using Super = typename decltype(T::kRuntimeClass)::RuntimeSuper;
    static_assert(std::is_base_of_v<Super, T> && !std::is_same_v<Super, T>, "the runtime superclass must be a base");
    if (Class* known = detail::nativeClass<T>.load(std::memory_order_acquire)) return known;
    Class::Factory factory;
    if constexpr (std::is_default_constructible_v<T>) {
      factory = [] { return std::static_pointer_cast<Object>(std::make_shared<T>()); };
    }
    Class* cls = Class::declareNative(T::kRuntimeClass.name, classOf<Super>(), T::kRuntimeClass.image, typeid(T),
                                      std::move(factory), sizeof(T));
    detail::nativeClass<T>.store(cls, std::memory_order_release);
    return cls;
  }
}

}  // namespace platform::runtime
