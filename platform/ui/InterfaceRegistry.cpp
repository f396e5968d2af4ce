#include "platform/ui/InterfaceRegistry.h"

#include <algorithm>

namespace platform::ui {

struct InterfaceRegistry::Board {
  std::string name;
  std::string initial;
  std::vector<std::pair<std::string, ControllerFactory>> controllers;
};

InterfaceRegistry& InterfaceRegistry::shared() {
  static InterfaceRegistry registry;
  return registry;
}

const InterfaceRegistry::Board* InterfaceRegistry::findStoryboard(const std::string& name) const {
  auto it = std::find_if(storyboards_.begin(), storyboards_.end(), [&](auto& s) { return s.name == name; });
  return it == storyboards_.end() ? nullptr : &*it;
}

void InterfaceRegistry::registerController(const std::string& storyboard, const std::string& identifier,
                                           ControllerFactory factory) {
  std::lock_guard lock(mutex_);
  auto* found = const_cast<Board*>(findStoryboard(storyboard));
  if (!found) {
    storyboards_.push_back({storyboard, identifier, {}});
    found = &storyboards_.back();
  }
  auto& list = found->controllers;
  auto it = std::find_if(list.begin(), list.end(), [&](auto& e) { return e.first == identifier; });
  if (it != list.end()) {
    it->second = std::move(factory);
  } else {
    list.emplace_back(identifier, std::move(factory));
  }
}

void InterfaceRegistry::setInitial(const std::string& storyboard, const std::string& identifier) {
  std::lock_guard lock(mutex_);
  if (auto* found = const_cast<Board*>(findStoryboard(storyboard))) found->initial = identifier;
}

void InterfaceRegistry::registerInterface(const std::string& name, ViewBuilder builder) {
  std::lock_guard lock(mutex_);
  auto it = std::find_if(interfaces_.begin(), interfaces_.end(), [&](auto& e) { return e.first == name; });
  if (it != interfaces_.end()) {
    it->second = std::move(builder);
  } else {
    interfaces_.emplace_back(name, std::move(builder));
  }
}

bool InterfaceRegistry::hasStoryboard(const std::string& storyboard) const {
  std::lock_guard lock(mutex_);
  return findStoryboard(storyboard) != nullptr;
}

bool InterfaceRegistry::hasController(const std::string& storyboard, const std::string& identifier) const {
  std::lock_guard lock(mutex_);
  const Board* found = findStoryboard(storyboard);
  return found && std::any_of(found->controllers.begin(), found->controllers.end(),
                              [&](auto& e) { return e.first == identifier; });
}

bool InterfaceRegistry::hasInterface(const std::string& name) const {
  std::lock_guard lock(mutex_);
  return std::any_of(interfaces_.begin(), interfaces_.end(), [&](auto& e) { return e.first == name; });
}

std::shared_ptr<ViewController> InterfaceRegistry::instantiateViewController(const std::string& storyboard,
                                                                             const std::string& identifier) const {
  ControllerFactory factory;
  {
    std::lock_guard lock(mutex_);
    const Board* found = findStoryboard(storyboard);
    if (!found) {
      throw foundation::Exception("NSInvalidArgumentException",
                                  "Could not find a storyboard named '" + storyboard + "'");
    }
    auto it = std::find_if(found->controllers.begin(), found->controllers.end(),
                           [&](auto& e) { return e.first == identifier; });
    if (it == found->controllers.end()) {
      throw foundation::Exception("NSInvalidArgumentException",
                                  "Storyboard '" + storyboard +
                                      "' doesn't contain a view controller with identifier '" + identifier + "'");
    }
    factory = it->second;
  }
  // The factory runs unlocked: a screen may build others while it is made.
  std::shared_ptr<ViewController> made = factory ? factory() : nullptr;
  if (!made) {
    throw foundation::Exception("NSInternalInconsistencyException",
                                "The factory for '" + identifier + "' in '" + storyboard + "' made nothing");
  }
  return made;
}

std::shared_ptr<ViewController> InterfaceRegistry::instantiateInitialViewController(
    const std::string& storyboard) const {
  std::string initial;
  {
    std::lock_guard lock(mutex_);
    if (const Board* found = findStoryboard(storyboard)) initial = found->initial;
  }
  return instantiateViewController(storyboard, initial);
}

std::vector<std::shared_ptr<View>> InterfaceRegistry::loadInterface(const std::string& name, View& owner) const {
  ViewBuilder builder;
  {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(interfaces_.begin(), interfaces_.end(), [&](auto& e) { return e.first == name; });
    if (it == interfaces_.end()) {
      throw foundation::Exception("NSInternalInconsistencyException",
                                  "Could not load the interface file named '" + name + "'");
    }
    builder = it->second;
  }
  return builder(owner);
}

void InterfaceRegistry::clear() {
  std::lock_guard lock(mutex_);
  storyboards_.clear();
  interfaces_.clear();
}

Storyboard Storyboard::storyboardWithName(const std::string& name) {
  if (!InterfaceRegistry::shared().hasStoryboard(name)) {
    throw foundation::Exception("NSInvalidArgumentException", "Could not find a storyboard named '" + name + "'");
  }
  return Storyboard(name);
}

std::shared_ptr<ViewController> Storyboard::instantiateViewControllerWithIdentifier(
    const std::string& identifier) const {
  return InterfaceRegistry::shared().instantiateViewController(name_, identifier);
}

std::shared_ptr<ViewController> Storyboard::instantiateInitialViewController() const {
  return InterfaceRegistry::shared().instantiateInitialViewController(name_);
}

}  // namespace platform::ui
