#pragma once

#include <memory>
#include <string>

#include "sdk/transport/EventStore.h"

namespace sdk::transport {

// The folder every transport file lives under: "vadeze-sdks-events" in the app container's caches
// folder, created when missing. Follows the container, so a test's temporary container holds its own.
std::string transportRootDirectory();

// The hardware model, as the upload request reports it ("x86_64" on this machine).
std::string currentDeviceModel();

// The storage registered for `target` when it offers the promise operations, else nullptr.
std::shared_ptr<PromiseBasedEventStore> promiseBasedStoreForTarget(std::int64_t target);

}  // namespace sdk::transport

