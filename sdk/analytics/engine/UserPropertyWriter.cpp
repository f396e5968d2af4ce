#include "sdk/analytics/engine/UserPropertyWriter.h"

#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/ErrorEvent.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NameChecks.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"
#include "sdk/analytics/foundation/WorkerQueueCheck.h"

namespace sdk::analytics {

using platform::foundation::Error;
using platform::foundation::Value;

namespace {

constexpr std::int64_t kErrorCodeUserPropertyLimitReached = 9;

Value displayName(const std::string& name) { return Value(userPropertyNameForDisplay(name)); }

}  // namespace

UserPropertyWriter::UserPropertyWriter(std::shared_ptr<MeasurementDatabase> database) : database_(std::move(database)) {}

void UserPropertyWriter::setUserAttributeOnWorkerQueue(const UserAttribute& attribute, bool enabled,
                                                       const Limits& limits) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "setUserAttributeOnWorkerQueue:");
  if (!enabled) {
    monitor()->logWithLevel(LogLevel::kDebug, messages::kUserPropertyNotSetWhileDisabled,
                           "Analytics is disabled. User property not set");
    return;
  }
  (void)setUserPropertyInDatabaseOnWorkerQueue(attribute, limits);
}

bool UserPropertyWriter::setUserPropertyInDatabaseOnWorkerQueue(const UserAttribute& attribute,
                                                                const Limits& limits) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "setUserPropertyInDatabaseOnWorkerQueue:");
  auto exists = database_->containsUserAttributeWithName(attribute.name);
  if (!exists.ok()) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kUserPropertyExistenceQueryFailed,
                           "Unable to query existence of user property. Name, error", displayName(attribute.name),
                           errorText(exists.error()));
    return false;
  }
  if (limits.lastAdvertisingIDResetFeatureEnabled && attribute.name == "_id" && *exists) {
    auto stored = database_->userAttributeWithName("_id").valueOr(std::nullopt);
    if (stored && stored->value.stringValue() != attribute.value.stringValue()) {
      // Best effort: the database logged any failure, and the property it would drop is rewritten later.
      (void)database_->deleteUserAttributeWithName("_lair");
    }
  }
  if (!*exists) {
    bool isPublic = attribute.isPublic();
    auto count =
        isPublic ? database_->publicUserAttributeCount() : database_->userAttributeCountForOrigin(attribute.origin);
    if (!count) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kUserPropertyCountQueryFailed,
                             "Unable to query user property count. Origin, error", Value(attribute.origin),
                             errorText(count.error()));
      return false;
    }
    std::int64_t limit = isPublic ? limits.maxPublicUserProperties : kMaxUserPropertiesPerOrigin;
    if (*count >= limit) {
      monitor()->logWithLevel(LogLevel::kWarning, messages::kUserPropertyLimitReached,
                             "Unable to set user property. Reached limit on set user properties for origin. Origin, "
                             "name, value",
                             Value(attribute.origin), displayName(attribute.name), attribute.value.objectValue());
      logErrorEvent(kErrorCodeUserPropertyLimitReached);
      return false;
    }
  }
  if (auto updated = database_->updateUserAttribute(attribute); !updated) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kUserPropertySetFailed,
                           "Unable to set user property. Name, value, error", displayName(attribute.name),
                           attribute.value.objectValue(), errorText(updated.error()));
    return false;
  }
  monitor()->logWithLevel(LogLevel::kDebug, messages::kUserPropertySet, "User property set. Name, value",
                         displayName(attribute.name), attribute.value.objectValue());
  return true;
}

void UserPropertyWriter::removeUserAttributeOnWorkerQueue(const UserAttribute& attribute, bool enabled) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "removeUserAttributeOnWorkerQueue:");
  if (!enabled) {
    monitor()->logWithLevel(LogLevel::kDebug, messages::kUserPropertyNotRemovedWhileDisabled,
                           "Analytics is disabled. User property not removed");
    return;
  }
  if (auto deleted = database_->deleteUserAttributeWithName(attribute.name); !deleted) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kUserPropertyRemovalFailed,
                           "Unable to remove user property. Name, error", displayName(attribute.name),
                           errorText(deleted.error()));
    return;
  }
  monitor()->logWithLevel(LogLevel::kDebug, messages::kUserPropertyRemoved, "User property removed. Name",
                         displayName(attribute.name));
}

std::optional<UserAttribute> UserPropertyWriter::userAttributeWithName(const std::string& name) {
  auto attribute = database_->userAttributeWithName(name);
  if (!attribute) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kUserAttributeLookupFailed,
                           "Unable to get user attribute by name. Name", displayName(name));
    return std::nullopt;
  }
  return std::move(attribute).value();
}

platform::foundation::Dictionary UserPropertyWriter::userPropertiesIncludingInternal(bool includingInternal) {
  auto attributes = database_->userAttributesIncludingInternal(includingInternal);
  if (!attributes) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kUserPropertiesRetrievalFailed,
                           "Unable to retrieve user properties. Error", errorText(attributes.error()));
    return {};
  }
  platform::foundation::Dictionary properties;
  for (const auto& attribute : *attributes) {
    if (attribute.name.empty()) {
      monitor()->logWithLevel(LogLevel::kWarning, messages::kPublicUserPropertyInvalid,
                             "Cannot add invalid public user property name or value.");
      continue;
    }
    if (attribute.value.isString()) {
      properties.insert_or_assign(attribute.name, Value(attribute.value.stringValue()));
    } else if (attribute.value.isDouble()) {
      properties.insert_or_assign(attribute.name, Value(attribute.value.doubleValue()));
    } else if (attribute.value.isInt64()) {
      properties.insert_or_assign(attribute.name, Value(attribute.value.int64Value()));
    }
  }
  return properties;
}

}  // namespace sdk::analytics

