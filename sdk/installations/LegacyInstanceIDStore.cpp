#include "sdk/installations/LegacyInstanceIDStore.h"

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ErrorOr.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/PropertyList.h"
#include "platform/security/Digest.h"
#include "platform/security/Keychain.h"
#include "sdk/installations/InstallationsShared.h"
#include "sdk/installations/InstallationsErrors.h"
#include "sdk/installations/InstallationItem.h"

namespace sdk::installations {

using platform::foundation::Data;
using platform::foundation::Dictionary;
using platform::foundation::Error;
using platform::foundation::ErrorOr;
using platform::foundation::Value;
using platform::security::Keychain;

using sdk::installations::utilityQueue;

namespace {

Dictionary keyQuery(const Data& tag) {
  return {{Keychain::kClass, Value(Keychain::kClassKey)},
          {Keychain::kKeyType, Value(Keychain::kKeyTypeRSA)},
          {Keychain::kApplicationTag, Value::data(tag)}};
}

bool hasMarker() {
  const std::string path = LegacyInstanceIDStore::plistPath();
  if (!platform::foundation::AtomicFile::fileExists(path)) return false;
  return platform::foundation::PropertyList::readFile(path, LegacyInstanceIDStore::kMaximumPlistBytes)
      .contains(LegacyInstanceIDStore::kMarkerKey);
}

// The key's bytes; nullopt when there is none (or no tag to look it up by).
std::optional<Data> publicKeyData() {
  auto tag = LegacyInstanceIDStore::keyTagWithPrefix(LegacyInstanceIDStore::kPublicKeyTagPrefix);
  if (!tag) return std::nullopt;
  Dictionary query = keyQuery(*tag);
  query[Keychain::kReturnData] = Value(true);
  Value result;
  if (Keychain::copyMatching(Value(std::move(query)), &result) != platform::security::kStatusSuccess) return std::nullopt;
  if (!result.isData()) return std::nullopt;
  return *result.data();
}

ErrorOr<void> deleteMarker() {
  const std::string path = LegacyInstanceIDStore::plistPath();
  if (!platform::foundation::AtomicFile::fileExists(path)) return {};
  Error error;
  Value contents = platform::foundation::PropertyList::readFile(path, LegacyInstanceIDStore::kMaximumPlistBytes, &error);
  if (!contents.isDictionary()) return contents.isNil() ? ErrorOr<void>(error) : ErrorOr<void>();
  if (!contents.erase(LegacyInstanceIDStore::kMarkerKey)) return {};
  if (!platform::foundation::PropertyList::writeFile(path, contents, platform::foundation::PropertyList::Format::Binary,
                                                     &error)) {
    return error;
  }
  return {};
}

ErrorOr<void> deleteKey(const char* prefix) {
  auto tag = LegacyInstanceIDStore::keyTagWithPrefix(prefix);
  if (!tag) return {};
  const auto status = Keychain::remove(Value(keyQuery(*tag)));
  if (status == platform::security::kStatusSuccess || status == platform::security::kStatusItemNotFound) return {};
  return InstallationsErrors::keychainErrorWithFunction("SecItemDelete", status);
}

ErrorOr<void> deleteMarkerAndKeys() {
  TRY(deleteMarker());
  TRY(deleteKey(LegacyInstanceIDStore::kPublicKeyTagPrefix));
  return deleteKey(LegacyInstanceIDStore::kPrivateKeyTagPrefix);
}

}  // namespace

std::string LegacyInstanceIDStore::plistPath() {
  return platform::foundation::Paths::applicationSupport() + "/" + kPlistSubdirectory + "/" + kPlistName;
}

std::optional<Data> LegacyInstanceIDStore::keyTagWithPrefix(const std::string& prefix) {
  const std::string bundleID = platform::foundation::Bundle::main()->bundleIdentifier();
  if (bundleID.empty()) return std::nullopt;
  const std::string tag = prefix + bundleID;
  return Data(tag.begin(), tag.end());
}

std::string LegacyInstanceIDStore::IIDWithPublicKeyData(const Data& publicKeyData) {
  auto digest = platform::security::sha1(publicKeyData);
  digest[0] = static_cast<unsigned char>(0x70 | (digest[0] & 0x0f));
  return base64URL(digest.data(), 8, false);
}

sdk::promises::Promise::Ptr LegacyInstanceIDStore::existingIID() {
  return sdk::promises::Promise::onQueueDo(utilityQueue(), [] {
           if (!hasMarker()) return Value();
           // No key, or an empty one, is nothing to take over: the digest of no bytes would give
           // every such device the same identifier.
           auto key = publicKeyData();
           if (!key || key->empty()) return Value();
           return Value(IIDWithPublicKeyData(*key));
         })
      ->onQueueValidate(utilityQueue(), [](const Value& identifier) { return identifier.isString() && !identifier.string()->empty(); });
}

sdk::promises::Promise::Ptr LegacyInstanceIDStore::deleteExistingIID() {
  return sdk::promises::Promise::onQueueDo(utilityQueue(), [] {
    auto deleted = deleteMarkerAndKeys();
    return deleted ? Value::null() : sdk::promises::valueWithError(deleted.error());
  });
}

}  // namespace sdk::installations

