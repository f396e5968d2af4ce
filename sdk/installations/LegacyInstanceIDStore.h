#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"
#include "sdk/promises/Promise.h"

namespace sdk::installations {

// What an older instance-identifier library left behind: a key pair in the keychain, trusted while a
// marker sits in its property list. The default app takes that identifier over as its installation
// ID, and deletes it with the installation. Read and deleted here, never written.
class LegacyInstanceIDStore {
 public:
  static constexpr const char* kPlistSubdirectory = "Vadeze/VurevoreInstanceID";
  static constexpr const char* kPlistName = "com.vadeze.iid-keypair.plist";
  static constexpr const char* kMarkerKey = "|S|cre";
  // A marker and a few keys: a file past this is not the store's.
  static constexpr std::size_t kMaximumPlistBytes = std::size_t{1} << 20;
  static constexpr const char* kPublicKeyTagPrefix = "com.vadeze.iid.keypair.public-";
  static constexpr const char* kPrivateKeyTagPrefix = "com.vadeze.iid.keypair.private-";

  // Fulfils with the identifier (a string); rejects when there is none to take over.
  sdk::promises::Promise::Ptr existingIID();
  // Fulfils with null once the marker and both keys are gone (also when there were none).
  sdk::promises::Promise::Ptr deleteExistingIID();

  // SHA-1 of the key, its first byte's high half set to 0111, the first 8 bytes in URL-safe base64
  // without padding: 11 characters starting with c, d, e or f.
  static std::string IIDWithPublicKeyData(const platform::foundation::Data& publicKeyData);
  static std::string plistPath();
  // The tag of the key for the main bundle's identifier; empty when the bundle has none.
  static std::optional<platform::foundation::Data> keyTagWithPrefix(const std::string& prefix);
};

}  // namespace sdk::installations

