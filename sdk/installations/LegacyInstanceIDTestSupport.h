#pragma once

// What an older instance-identifier library leaves on a device, written the way it wrote it, so
// that migration and deletion can be shown on real keychain items and files.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/PropertyList.h"
#include "platform/security/Keychain.h"
#include "sdk/core/SdkWorldTestSupport.h"
#include "sdk/installations/LegacyInstanceIDStore.h"
#include "sdk/installations/LegacyInstanceIDTokenStore.h"

namespace ostrel::testing {

inline platform::foundation::Data bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

// The marker property list, with or without its marker entry beside one other entry.
inline void writeLegacyMarker(bool withMarker) {
  const std::string path = sdk::installations::LegacyInstanceIDStore::plistPath();
  ASSERT_TRUE(platform::foundation::AtomicFile::createDirectories(path.substr(0, path.rfind('/'))).ok());
  platform::foundation::Dictionary contents{{"other", "kept"}};
  if (withMarker) contents[sdk::installations::LegacyInstanceIDStore::kMarkerKey] = platform::foundation::Value::data(bytesOf("x"));
  platform::foundation::PropertyList::writeFile(path, platform::foundation::Value(contents),
                                                platform::foundation::PropertyList::Format::Binary);
}

// A key of the pair, tagged for the test bundle.
inline void writeLegacyKey(const char* prefix, const std::string& bits) {
  using platform::security::Keychain;
  using platform::foundation::Value;
  const std::string tag = std::string(prefix) + kBundleID;
  ASSERT_EQ(Keychain::add(Value(platform::foundation::Dictionary{{Keychain::kClass, Value(Keychain::kClassKey)},
                                                                 {Keychain::kKeyType, Value(Keychain::kKeyTypeRSA)},
                                                                 {Keychain::kApplicationTag, Value::data(bytesOf(tag))},
                                                                 {Keychain::kValueData, Value::data(bytesOf(bits))}})),
            platform::security::kStatusSuccess);
}

// The record the older library archived for its default token.
class LegacyTokenInfo final : public platform::foundation::KeyedCodable {
 public:
  explicit LegacyTokenInfo(std::string token) : token_(std::move(token)) {}
  std::string className() const override { return sdk::installations::LegacyInstanceIDTokenInfo::kLegacyClassName; }
  void encodeWithCoder(platform::foundation::KeyedArchiver& coder) const override {
    coder.encodeObject(platform::foundation::Value(token_), "token");
  }

 private:
  std::string token_;
};

inline void writeLegacyToken(const sdk::installations::LegacyInstanceIDTokenStore& store, const std::string& token) {
  using platform::security::Keychain;
  auto data = platform::foundation::KeyedArchive::archivedData(
      platform::foundation::Value(std::make_shared<LegacyTokenInfo>(token)));
  ASSERT_TRUE(data.has_value());
  platform::foundation::Dictionary attributes = store.tokenQuery();
  attributes[Keychain::kValueData] = platform::foundation::Value::data(*data);
  ASSERT_EQ(Keychain::add(platform::foundation::Value(attributes)), platform::security::kStatusSuccess);
}

}  // namespace ostrel::testing
