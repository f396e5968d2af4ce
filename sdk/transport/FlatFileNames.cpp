#include "sdk/transport/FlatFileNames.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <system_error>
#include <vector>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Format.h"
#include "platform/net/URLRequest.h"
#include "sdk/transport/TransportEvent.h"
#include "sdk/transport/TransportLog.h"

namespace sdk::transport {

namespace {

using platform::foundation::format;
using platform::foundation::Value;

constexpr const char* kStorageClassName = "VDTCORFlatFileStorage";

std::vector<std::string> splitAtDashes(const std::string& name) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    auto dash = name.find('-', start);
    parts.push_back(name.substr(start, dash == std::string::npos ? std::string::npos : dash - start));
    if (dash == std::string::npos) return parts;
    start = dash + 1;
  }
}

std::optional<std::int64_t> wholeNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  long long number = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0') return std::nullopt;
  return number;
}

// Whole seconds since 1970 as they appear in names; dates before 1970 (or not numbers) count as 0.
std::uint64_t secondsForName(double secondsSince1970) {
  if (!(secondsSince1970 > 0)) return 0;
  if (secondsSince1970 >= static_cast<double>(std::numeric_limits<std::uint64_t>::max())) {
    return std::numeric_limits<std::uint64_t>::max();
  }
  return static_cast<std::uint64_t>(secondsSince1970);
}

std::string madeFolder(std::string path) {
  (void)platform::foundation::AtomicFile::createDirectories(path);  // a failure shows up as a failed write later
  return path;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string FlatFileNames::eventDataStoragePath() const {
  return madeFolder(format("%@/%@/vdt_event_data", rootPath_, kStorageClassName));
}

std::string FlatFileNames::batchDataStoragePath() const {
  return madeFolder(format("%@/%@/vdt_batch_data", rootPath_, kStorageClassName));
}

std::string FlatFileNames::libraryDataStoragePath() const {
  return madeFolder(format("%@/%@/vdt_library_data", rootPath_, kStorageClassName));
}

std::string FlatFileNames::damagedDataStoragePath() const {
  return madeFolder(format("%@/%@/vdt_damaged_data", rootPath_, kStorageClassName));
}

std::string FlatFileNames::batchPathForTarget(std::int64_t target, std::uint32_t batchID,
                                              double expirationDate) const {
  return format("%@/%lld-%u-%llu", batchDataStoragePath(), target, batchID, secondsForName(expirationDate));
}

std::string FlatFileNames::pathForTarget(std::int64_t target, const std::string& eventID, std::int64_t qosTier,
                                         double expirationDate, const std::string& mappingID) const {
  return format("%@/%lld/%@-%lld-%llu-%@", eventDataStoragePath(), target, eventID, qosTier,
                secondsForName(expirationDate), encodedMappingID(mappingID));
}

std::string FlatFileNames::encodedMappingID(const std::string& mappingID) {
  return platform::net::percentEncoded(mappingID, "-");
}

std::string FlatFileNames::decodedMappingID(const std::string& encoded) {
  std::string out;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] == '%' && i + 2 < encoded.size()) {
      int high = hexDigit(encoded[i + 1]), low = hexDigit(encoded[i + 2]);
      if (high >= 0 && low >= 0) {
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    out.push_back(encoded[i]);
  }
  return out;
}

std::optional<double> FlatFileNames::latestEventTimeNotAfter(const std::string& rootPath, double bound) {
  namespace fs = std::filesystem;
  std::optional<double> latest;
  const std::string store = format("%@/%@", rootPath, kStorageClassName);
  for (const char* kind : {"vdt_event_data", "vdt_batch_data"}) {
    std::error_code error;
    for (fs::directory_iterator folder(store + "/" + kind, error), end; !error && folder != end; folder.increment(error)) {
      std::error_code inner;
      for (fs::directory_iterator file(folder->path(), inner); !inner && file != end; file.increment(inner)) {
        const std::string name = file->path().filename().string();
        const std::vector<std::string> parts = splitAtDashes(name);
        // Hidden names are writes that never finished.
        const auto expiration = name[0] != '.' && parts.size() >= 4 ? wholeNumber(parts[2]) : std::nullopt;
        if (!expiration) continue;
        // Every event expires a fixed lifetime after it is made.
        const double made = static_cast<double>(*expiration) - TransportEvent::kLifetimeSeconds;
        if (made <= bound && (!latest || made > *latest)) latest = made;
      }
    }
  }
  return latest;
}

Value FlatFileNames::eventComponentsFromFilename(const std::string& fileName) {
  auto parts = splitAtDashes(fileName);
  auto qosTier = parts.size() >= 4 ? wholeNumber(parts[1]) : std::nullopt;
  auto expiration = parts.size() >= 4 ? wholeNumber(parts[2]) : std::nullopt;
  if (!qosTier || !expiration || parts[0].empty()) {
    transportLogDebug("Couldn't parse the event file name: %@", fileName);
    return {};
  }
  std::string mappingID = parts[3];
  for (std::size_t i = 4; i < parts.size(); ++i) mappingID += "-" + parts[i];
  Value components;
  components.set(kEventIDComponentKey, parts[0]);
  components.set(kQoSTierComponentKey, *qosTier);
  components.set(kExpirationComponentKey, Value::date(static_cast<double>(*expiration)));
  components.set(kMappingIDComponentKey, mappingID);
  return components;
}

Value FlatFileNames::batchComponentsFromFilename(const std::string& fileName) {
  auto parts = splitAtDashes(fileName);
  auto target = parts.size() == 3 ? wholeNumber(parts[0]) : std::nullopt;
  auto batchID = parts.size() == 3 ? wholeNumber(parts[1]) : std::nullopt;
  auto expiration = parts.size() == 3 ? wholeNumber(parts[2]) : std::nullopt;
  if (!target || !batchID || !expiration || *batchID < 0 || *batchID > std::numeric_limits<std::uint32_t>::max()) {
    transportLogDebug("Couldn't parse the batch folder name: %@", fileName);
    return {};
  }
  Value components;
  components.set(kBatchTargetComponentKey, *target);
  components.set(kBatchIDComponentKey, *batchID);
  components.set(kBatchExpirationComponentKey, Value::date(static_cast<double>(*expiration)));
  return components;
}

platform::foundation::ErrorOr<std::vector<std::string>> FlatFileNames::namesIn(const std::string& folder) {
  std::error_code error;
  std::vector<std::string> names;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::string name = it->path().filename().string();
    if (!name.empty() && name.front() != '.') names.push_back(name);
  }
  if (error) return platform::foundation::Error::make("NSCocoaErrorDomain", 256, error.message());
  return names;
}

}  // namespace sdk::transport

