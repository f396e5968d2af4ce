#pragma once

#include <memory>
#include <string>

#include "platform/foundation/KeyedArchive.h"
#include "sdk/promises/Promise.h"

namespace sdk::installations {

// The default token the older instance-identifier library kept in the keychain, carried into the
// default app's registration. Read only.
class LegacyInstanceIDTokenStore {
 public:
  static constexpr const char* kGenericAttribute = "com.vadeze.iid-tokens";

  explicit LegacyInstanceIDTokenStore(std::string GCMSenderID) : GCMSenderID_(std::move(GCMSenderID)) {}

  // Fulfils with the token (a non-empty string), or rejects.
  sdk::promises::Promise::Ptr existingIIDDefaultToken();
  platform::foundation::Dictionary tokenQuery() const;

 private:
  std::string GCMSenderID_;
};

// Reads the token record the older library archived under the class name "VURInstanceIDTokenInfo".
class LegacyInstanceIDTokenInfo final : public platform::foundation::KeyedCodable {
 public:
  static constexpr const char* kClassName = "VURInstallationsIIDTokenInfo";
  static constexpr const char* kLegacyClassName = "VURInstanceIDTokenInfo";

  std::string token;

  std::string className() const override { return kClassName; }
  void encodeWithCoder(platform::foundation::KeyedArchiver&) const override {}
  static std::shared_ptr<LegacyInstanceIDTokenInfo> initWithCoder(platform::foundation::KeyedUnarchiver& coder);
};

}  // namespace sdk::installations

