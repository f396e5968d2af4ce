#include "sdk/core/VURLibrary.h"

using platform::runtime::Class;
using platform::runtime::Protocol;
using platform::runtime::ProtocolMethod;

const Protocol* VURLibraryProtocol() {
  static const Protocol* protocol = Protocol::obtain(
      "VURLibrary", {ProtocolMethod{std::string(kVURComponentsToRegister.name), true, false},
                     ProtocolMethod{std::string(kVURConfigureWithApp.name), false, false}});
  return protocol;
}

const Protocol* VURComponentLifecycleMaintainerProtocol() {
  static const Protocol* protocol = Protocol::obtain(
      "VURComponentLifecycleMaintainer", {ProtocolMethod{std::string(kVURAppWillBeDeleted.name), false, true}});
  return protocol;
}

Class* VURDeclareLibraryClass(std::string_view className, std::function<std::vector<VURComponent::Ptr>()> components) {
  if (Class* known = Class::named(className)) return known;
  Class* cls = Class::allocateClassPair(Class::root(), className, platform::runtime::Image::Sdk);
  if (!cls) return Class::named(className);
  cls->addProtocol(const_cast<Protocol*>(VURLibraryProtocol()));
  cls->metaclass()->addMethod(kVURComponentsToRegister,
                              [components = std::move(components)](platform::runtime::Object&) { return components(); });
  Class::registerClassPair(cls);
  return cls;
}
