#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/foundation/ErrorOr.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/foundation/Value.h"

namespace sdk::utilities {

// Where the SDK remembers, per tag (a library or feature name), the date of the last heartbeat it
// sent. Dates are seconds since 1970.
class HeartbeatDateStorable {
 public:
  virtual ~HeartbeatDateStorable() = default;
  // Empty when nothing, or something that is not a date, is stored for the tag.
  virtual std::optional<double> heartbeatDateForTag(const std::string& tag) = 0;
  [[nodiscard]] virtual bool setHeartbeatDate(double date, const std::string& tag) = 0;
};

// The tag-to-date map as a secure keyed archive in "<Application Support>/Vadeze/REDIri/<file name>",
// replaced atomically on every change. One lock for all file stores of the process keeps two stores
// over the same file from interleaving.
class HeartbeatDateStorage final : public HeartbeatDateStorable {
 public:
  // nullptr for an empty file name.
  static std::shared_ptr<HeartbeatDateStorage> initWithFileName(const std::string& fileName);
  explicit HeartbeatDateStorage(std::string fileName);

  std::optional<double> heartbeatDateForTag(const std::string& tag) override;
  [[nodiscard]] bool setHeartbeatDate(double date, const std::string& tag) override;

  // Worked out (and its folder made) on first use, then kept.
  const std::string& fileURL();
  const std::string& fileName() const { return fileName_; }

  // A map of a few dates: a file past this is not one the storage wrote.
  static constexpr std::size_t kMaximumFileBytes = std::size_t{1} << 20;
  // A missing, empty or unreadable file gives an empty map.
  static platform::foundation::Dictionary heartbeatDictionaryWithFileURL(const std::string& fileURL);
  static platform::foundation::ErrorOr<void> writeDictionary(const platform::foundation::Dictionary& dictionary,
                                                             const std::string& fileURL);

 private:
  std::string fileURL_;
  std::string fileName_;
};

// The same map kept as a dictionary under one key of a user-defaults store, under that store's lock.
// A value under the key that is not a dictionary reads as an empty map.
class HeartbeatDateUserDefaultsStorage final : public HeartbeatDateStorable {
 public:
  HeartbeatDateUserDefaultsStorage(std::shared_ptr<platform::foundation::UserDefaults> defaults, std::string key);

  std::optional<double> heartbeatDateForTag(const std::string& tag) override;
  [[nodiscard]] bool setHeartbeatDate(double date, const std::string& tag) override;

  platform::foundation::Dictionary heartbeatDictionaryFromDefaults();

 private:
  std::shared_ptr<platform::foundation::UserDefaults> userDefaults_;
  std::string key_;
};

}  // namespace sdk::utilities

