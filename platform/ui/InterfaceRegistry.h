#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/foundation/Exception.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"

namespace platform::ui {

// Where screens and composite views come from. The app's storyboards and interface files are code
// here: each screen registers a factory under its storyboard's name and identifier ("Main_Universal"
// with "NewMainViewController", say), and each composite view registers a builder under its
// interface file's name that makes its views and connects the owner's outlets. Registration happens
// in load hooks; lookups happen on the main thread.
class InterfaceRegistry {
 public:
  using ControllerFactory = std::function<std::shared_ptr<ViewController>()>;
  // Builds the file's views for `owner` and returns its top-level views.
  using ViewBuilder = std::function<std::vector<std::shared_ptr<View>>(View& owner)>;

  static InterfaceRegistry& shared();

  // A later registration under the same names replaces the earlier one. The first controller
  // registered in a storyboard is its initial one unless setInitial names another.
  void registerController(const std::string& storyboard, const std::string& identifier, ControllerFactory factory);
  void setInitial(const std::string& storyboard, const std::string& identifier);
  void registerInterface(const std::string& name, ViewBuilder builder);
  // A builder for one owner class: a load with an owner of another class raises
  // NSInternalInconsistencyException.
  template <class Owner>
  void registerInterfaceFor(const std::string& name,
                            std::function<std::vector<std::shared_ptr<View>>(Owner& owner)> builder) {
    registerInterface(name, [name, builder = std::move(builder)](View& owner) {
      auto* typed = dynamic_cast<Owner*>(&owner);
      if (!typed) {
        throw foundation::Exception("NSInternalInconsistencyException",
                                    "Interface '" + name + "' was loaded with an owner of the wrong class");
      }
      return builder(*typed);
    });
  }

  bool hasStoryboard(const std::string& storyboard) const;
  bool hasController(const std::string& storyboard, const std::string& identifier) const;
  bool hasInterface(const std::string& name) const;

  // A new controller. An unknown storyboard or identifier raises NSInvalidArgumentException.
  std::shared_ptr<ViewController> instantiateViewController(const std::string& storyboard,
                                                            const std::string& identifier) const;
  std::shared_ptr<ViewController> instantiateInitialViewController(const std::string& storyboard) const;
  // Builds an interface file for `owner`. An unknown name raises NSInternalInconsistencyException.
  std::vector<std::shared_ptr<View>> loadInterface(const std::string& name, View& owner) const;

  // Forgets every registration; for tests.
  void clear();

 private:
  struct Entry;
  struct Board;
  InterfaceRegistry() = default;
  const Board* findStoryboard(const std::string& name) const;

  mutable std::mutex mutex_;
  std::vector<Board> storyboards_;
  std::vector<std::pair<std::string, ViewBuilder>> interfaces_;
};

// The app's way in: a storyboard by name, as the screens ask for it.
class Storyboard {
 public:
  // Raises NSInvalidArgumentException for a storyboard nothing was registered under.
  static Storyboard storyboardWithName(const std::string& name);
  const std::string& name() const { return name_; }
  std::shared_ptr<ViewController> instantiateViewControllerWithIdentifier(const std::string& identifier) const;
  std::shared_ptr<ViewController> instantiateInitialViewController() const;

 private:
  explicit Storyboard(std::string name) : name_(std::move(name)) {}
  std::string name_;
};

}  // namespace platform::ui
