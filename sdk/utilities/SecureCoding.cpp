#include "sdk/utilities/SecureCoding.h"

#include "platform/foundation/Format.h"

namespace sdk::utilities {

using platform::foundation::Dictionary;
using platform::foundation::KeyedArchive;

namespace {

platform::foundation::Error codingError(const std::string& reason) {
  return {kSecureCodingErrorDomain, kSecureCodingErrorCode,
          platform::foundation::Value(Dictionary{{kLocalizedFailureReasonKey, platform::foundation::Value(reason)}})};
}

}  // namespace

SecureCoding::Error SecureCoding::archivingErrorWithException(const platform::foundation::Exception& exception) {
  return codingError(platform::foundation::format("NSKeyedArchiver exception with name: %@, reason: %@, userInfo: %@",
                                                  exception.name(), exception.reason(), Value()));
}

platform::foundation::ErrorOr<SecureCoding::Value> SecureCoding::unarchivedObjectOfClasses(const ClassSet& classes,
                                                                                          const Data& data) {
  Error archiveError;
  Value object = KeyedArchive::unarchivedObject(classes, data, &archiveError);
  if (!object.isNil()) return object;
  Error failure = codingError("NSKeyedUnarchiver failed to unarchive data.");
  if (!archiveError.domain.empty()) failure.setUnderlyingError(archiveError);
  return failure;
}

platform::foundation::ErrorOr<SecureCoding::Value> SecureCoding::unarchivedObjectOfClass(const std::string& className,
                                                                                        const Data& data) {
  return unarchivedObjectOfClasses({className}, data);
}

platform::foundation::ErrorOr<SecureCoding::Data> SecureCoding::archivedDataWithRootObject(const Value& object) {
  Error archiveError;
  auto data = KeyedArchive::archivedData(object, &archiveError);
  if (data) return std::move(*data);
  // The archive refuses what it cannot write the way the phone's archiver raised: report it in that shape.
  Error failure = archivingErrorWithException(
      platform::foundation::Exception("NSInvalidArgumentException", archiveError.localizedDescription()));
  failure.setUnderlyingError(archiveError);
  return failure;
}

}  // namespace sdk::utilities

