#pragma once

#include <optional>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/foundation/KeyedArchive.h"
#include "sdk/transport/TransportEvent.h"

namespace sdk::transport {

// The archive of `object`, written atomically to `filePath` when one is given (its folder is made
// first). Returns the archive also when only the write failed, with `error` set; nullopt when the
// object cannot be archived.
std::optional<platform::foundation::Data> archiveObject(const platform::foundation::Value& object,
                                                              const std::string* filePath,
                                                              platform::foundation::Error* error);
// The event archived in `data`, or read from `filePath` when `data` is nullptr; nullptr with an error.
std::shared_ptr<TransportEvent> unarchiveEvent(const std::string& filePath, const platform::foundation::Data* data,
                                                  platform::foundation::Error* error);
// Makes the parent folder, then writes atomically. With `syncFolderNow` false the caller syncs the
// folder itself before it counts the file as stored (until then a power cut may take the new name).
bool writeDataToFile(const platform::foundation::Data& data, const std::string& filePath,
                           platform::foundation::Error* error, bool syncFolderNow = true);

}  // namespace sdk::transport

