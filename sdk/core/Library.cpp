#include "sdk/core/Library.h"

#include "sdk/core/App.h"

namespace sdk::core {

using platform::runtime::Class;
using platform::runtime::Protocol;
using platform::runtime::ProtocolMethod;

const Protocol* libraryProtocol() {
  static const Protocol* protocol = Protocol::obtain(
      "VURLibrary", {ProtocolMethod{std::string(kComponentsToRegister.name), true, false},
                     ProtocolMethod{std::string(kConfigureWithApp.name), false, false}});
  return protocol;
}

const Protocol* componentLifecycleMaintainerProtocol() {
  static const Protocol* protocol = Protocol::obtain(
      "VURComponentLifecycleMaintainer", {ProtocolMethod{std::string(kAppWillBeDeleted.name), false, true}});
  return protocol;
}

Class* declareLibraryClass(std::string_view className, std::function<std::vector<Component::Ptr>()> components) {
  if (Class* known = Class::named(className)) return known;
  Class* cls = Class::allocateClassPair(Class::root(), className, platform::runtime::Image::Sdk);
  if (!cls) return Class::named(className);
  cls->addProtocol(const_cast<Protocol*>(libraryProtocol()));
  cls->metaclass()->addMethod(kComponentsToRegister,
                              [components = std::move(components)](platform::runtime::Object&) { return components(); });
  Class::registerClassPair(cls);
  return cls;
}

void registerLibraryClass(Class* library, const Protocol* provided, std::vector<Component::Ptr> (*components)(),
                          const std::string& name, const std::string& version) {
  library->addProtocol(const_cast<Protocol*>(provided));
  library->addProtocol(const_cast<Protocol*>(libraryProtocol()));
  if (!library->metaclass()->ownMethod(kComponentsToRegister.name)) {
    library->metaclass()->addMethod(kComponentsToRegister,
                                    [components](platform::runtime::Object&) { return components(); });
  }
  App::registerInternalLibrary(library, name, version);
}

}  // namespace sdk::core

