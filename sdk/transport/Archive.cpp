#include "sdk/transport/Archive.h"

#include "platform/dispatch/Once.h"
#include "platform/foundation/AtomicFile.h"
#include "sdk/transport/FlatFileEventStore.h"

namespace sdk::transport {

namespace {

using platform::foundation::AtomicFile;
using platform::foundation::Error;
using platform::foundation::ErrorOr;
using platform::foundation::KeyedArchive;

constexpr const char* kFileErrorDomain = "NSCocoaErrorDomain";
constexpr std::int64_t kFileWriteUnknownError = 512;
constexpr std::int64_t kFileReadUnknownError = 256;

void registerArchiveClasses() {
  static platform::dispatch::Once once;
  once.call([] {
    KeyedArchive::registerClass<ClockSnapshot>();
    KeyedArchive::registerClass<TransportEvent>();
  });
}

std::string folderOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

ErrorOr<void> writeDataToFile(const platform::foundation::Data& data, const std::string& filePath, bool syncFolderNow) {
  auto written = AtomicFile::createDirectories(folderOf(filePath));
  if (written.ok()) written = AtomicFile::writeAtomically(filePath, data.data(), data.size(), 0644, syncFolderNow);
  if (!written.ok()) {
    return Error::make(kFileErrorDomain, kFileWriteUnknownError, written.error().localizedDescription());
  }
  return {};
}

ErrorOr<platform::foundation::Data> archiveObject(const platform::foundation::Value& object) {
  registerArchiveClasses();
  Error error;
  auto archive = KeyedArchive::archivedData(object, &error);
  if (!archive) return error;
  return std::move(*archive);
}

ErrorOr<std::shared_ptr<TransportEvent>> unarchiveEvent(const std::string& filePath,
                                                        const platform::foundation::Data* data) {
  registerArchiveClasses();
  platform::foundation::Data read;
  if (!data) {
    // No event is stored past the store's whole size.
    auto bytes = AtomicFile::readFile(filePath, FlatFileEventStore::kStorageSizeLimit);
    if (!bytes.ok()) return Error::make(kFileErrorDomain, kFileReadUnknownError, bytes.error().localizedDescription());
    read = std::move(*bytes);
    data = &read;
  }
  auto event = KeyedArchive::unarchivedObject({TransportEvent::kClassName}, *data).objectAs<TransportEvent>();
  // An archive that decodes to something else is as unreadable as a broken one.
  if (!event) return Error::make(KeyedArchive::kErrorDomain, KeyedArchive::kReadCorruptError, "The file holds no event.");
  return event;
}

}  // namespace sdk::transport

