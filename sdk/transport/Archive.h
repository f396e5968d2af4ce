#pragma once

#include <string>

#include "platform/foundation/Error.h"
#include "platform/foundation/ErrorOr.h"
#include "platform/foundation/KeyedArchive.h"
#include "sdk/transport/TransportEvent.h"

namespace sdk::transport {

// The keyed archive of `object`.
platform::foundation::ErrorOr<platform::foundation::Data> archiveObject(const platform::foundation::Value& object);
// The event archived in `data`, or read from `filePath` when `data` is nullptr.
platform::foundation::ErrorOr<std::shared_ptr<TransportEvent>> unarchiveEvent(const std::string& filePath,
                                                                              const platform::foundation::Data* data);
// Makes the parent folder, then writes atomically. With `syncFolderNow` false the caller syncs the
// folder itself before it counts the file as stored (until then a power cut may take the new name).
platform::foundation::ErrorOr<void> writeDataToFile(const platform::foundation::Data& data, const std::string& filePath,
                                                    bool syncFolderNow = true);

}  // namespace sdk::transport

