#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/foundation/Value.h"

namespace platform::security {

// Status codes of keychain calls.
using Status = std::int32_t;
inline constexpr Status kStatusSuccess = 0;
inline constexpr Status kStatusParam = -50;            // a malformed query or attribute
inline constexpr Status kStatusIO = -36;               // the item's file could not be read or written
inline constexpr Status kStatusDuplicateItem = -25299;
inline constexpr Status kStatusItemNotFound = -25300;
inline constexpr Status kStatusDecode = -26275;        // the item's file is damaged
inline constexpr Status kStatusInteractionNotAllowed = -25308;  // the item's file is one this process may not read

// The keychain: generic-password items, each identified by its service, account and access group,
// and key items, each identified by its application tag, key type and access group; both carry
// secret data and a few attributes.
//
// Items live as one binary property-list file each, mode 0600, in a folder of mode 0700 below the
// container's Library ("Library/Keychains"). Every change replaces a file atomically while holding an
// exclusive lock on the folder's lock file, and reads hold a shared lock, so threads and processes
// that use the keychain at the same time never see or leave a half-written item. A damaged file
// makes calls that match it fail with kStatusDecode; it is never read as valid and never taken for a
// missing item, and remove() can always delete it. Only regular files of at most kMaximumItemBytes
// are read: anything else in an item's place (a FIFO, a device, a link that leads nowhere) reads as
// damaged too, without waiting, and is left in place by every call. A file this process may not read
// (another user's, or of mode 000) is not damaged: calls that match it fail with
// kStatusInteractionNotAllowed, and none of them moves, replaces or removes it.
//
// Nothing outside the container is made or changed through a link: the folder is used only when it is
// a folder (a link to one is named and left, and every call fails with kStatusIO), and its lock file is
// never followed.
//
// Queries and attributes are dictionaries with the keys below. A query matches the items whose
// attributes equal every attribute it names; an item added without an access group belongs to the
// default group (""), and a query without one matches every group.
class Keychain {
 public:
  // An item's file past this is not one the keychain wrote; an item that would make one is refused.
  static constexpr std::size_t kMaximumItemBytes = std::size_t{1} << 20;

  static constexpr const char* kClass = "class";
  static constexpr const char* kClassGenericPassword = "genericPassword";
  static constexpr const char* kClassKey = "key";
  static constexpr const char* kKeyType = "keyType";  // of a key item: a string
  static constexpr const char* kKeyTypeRSA = "RSA";
  static constexpr const char* kApplicationTag = "applicationTag";  // of a key item: data
  static constexpr const char* kService = "service";
  static constexpr const char* kAccount = "account";
  static constexpr const char* kAccessGroup = "accessGroup";
  static constexpr const char* kGeneric = "generic";  // string or data
  static constexpr const char* kAccessible = "accessible";
  static constexpr const char* kAccessibleWhenUnlocked = "whenUnlocked";  // the default
  static constexpr const char* kAccessibleAfterFirstUnlockThisDeviceOnly = "afterFirstUnlockThisDeviceOnly";
  static constexpr const char* kValueData = "valueData";
  static constexpr const char* kCreationDate = "creationDate";          // set by the keychain
  static constexpr const char* kModificationDate = "modificationDate";  // set by the keychain

  // Query-only keys.
  static constexpr const char* kReturnData = "returnData";              // bool
  static constexpr const char* kReturnAttributes = "returnAttributes";  // bool
  static constexpr const char* kMatchLimit = "matchLimit";
  static constexpr const char* kMatchLimitOne = "one";  // the default
  static constexpr const char* kMatchLimitAll = "all";

  // With kReturnData alone and one match: the data. With kReturnAttributes: a dictionary of the
  // attributes (holding the data too when asked for). With kMatchLimitAll: an array of those.
  static Status copyMatching(const foundation::Value& query, foundation::Value* result);
  static Status add(const foundation::Value& attributes);
  // Sets `changes` on every matching item. Changing the service, account or access group moves the
  // item; kStatusDuplicateItem when another item already holds the new identity.
  static Status update(const foundation::Value& query, const foundation::Value& changes);
  // Deletes every matching item; kStatusItemNotFound when there was none.
  static Status remove(const foundation::Value& query);
  // Keeps aside every damaged file whose name shows it is an item `query` names by its identity
  // (service and account, or tag and type), each named in a warning (see DamagedFile), so that a new
  // item can take its place while the old bytes stay for whoever wants them. kStatusItemNotFound when
  // there was none.
  static Status keepDamagedAside(const foundation::Value& query);
  // Keeps aside the files of the intact items `query` matches, under the dated names DamagedFile gives
  // kept copies, where no query finds them and a new item can take each one's place. With
  // `onlyWithValue`, only items whose value data is still those bytes (a value its owner could not
  // decode, and no newer one written since). Returns the kept paths; the caller says why in a warning.
  static std::vector<std::string> keepItemsAside(const foundation::Value& query,
                                                 const foundation::Data* onlyWithValue = nullptr);

  // The keychain folder of the current container, made with mode 0700 when missing (and set to it when
  // found otherwise); empty when anything but a folder stands there, a link to one included.
  static std::string folder();
};

}  // namespace platform::security
