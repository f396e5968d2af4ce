#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/Class.h"
#include "platform/runtime/Protocol.h"
#include "platform/runtime/Selector.h"
#include "sdk/core/Component.h"
#include "sdk/core/SDKVersion.h"

namespace sdk::core {

class App;

// What an SDK library is to the core: a runtime class adopting "VURLibrary" whose class method
// "componentsToRegister" lists its components, and which may answer "configureWithApp:" to hear of
// every configured app.
inline constexpr platform::runtime::Selector<std::vector<Component::Ptr>()> kComponentsToRegister{
    "componentsToRegister"};
inline constexpr platform::runtime::Selector<void(const std::shared_ptr<App>&)> kConfigureWithApp{
    "configureWithApp:"};
// Optional instance method of "VURComponentLifecycleMaintainer": a cached instance hears that its app
// is going away.
inline constexpr platform::runtime::Selector<void(const std::shared_ptr<App>&)> kAppWillBeDeleted{
    "appWillBeDeleted:"};

const platform::runtime::Protocol* libraryProtocol();
const platform::runtime::Protocol* componentLifecycleMaintainerProtocol();

// A library class for C++ code: registers the runtime class `className` adopting "VURLibrary" with
// `components` as its "componentsToRegister". Returns the class, or the one already declared under
// that name.
platform::runtime::Class* declareLibraryClass(std::string_view className,
                                                 std::function<std::vector<Component::Ptr>()> components);

// How an SDK library of our own registers itself from its load hook: `library` adopts `provided` (the
// protocol its component is looked up by) and "VURLibrary", answers "componentsToRegister" with
// `components` unless it already answers it, and joins the core under `name` and `version` (the
// SDK's own unless told otherwise).
void registerLibraryClass(platform::runtime::Class* library, const platform::runtime::Protocol* provided,
                          std::vector<Component::Ptr> (*components)(), const std::string& name,
                          const std::string& version = kSDKVersion);

// Load order of the SDK's library registrations: after the platform's classes, before the app's.
inline constexpr int kLibraryLoadOrder = 50;

}  // namespace sdk::core

