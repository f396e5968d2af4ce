#include "platform/foundation/UserDefaults.h"

#include "platform/foundation/PreferencesDomain.h"

namespace platform::foundation {

std::optional<std::string> stringFromDefaultsValue(const Value& value) {
  if (value.isString()) return *value.string();
  // A stored number asked for as text gives its decimal form ("1" for true).
  if (value.isBool()) return std::string(*value.boolean() ? "1" : "0");
  if (value.isNumber()) return value.description();
  return std::nullopt;
}

std::optional<Array> arrayFromDefaultsValue(const Value& value) {
  if (!value.isArray()) return std::nullopt;
  return *value.array();
}

std::optional<Dictionary> dictionaryFromDefaultsValue(const Value& value) {
  if (!value.isDictionary()) return std::nullopt;
  return *value.dictionary();
}

std::shared_ptr<UserDefaults> UserDefaults::standard() {
  // Never destroyed: the exit hook of the preferences writes what is pending, and a store torn down
  // among the other statics could outlive the paths it needs.
  static auto* instance = new std::shared_ptr<UserDefaults>(std::make_shared<UserDefaults>());
  return *instance;
}

UserDefaults::UserDefaults(std::string suiteName) : suiteName_(std::move(suiteName)) {}

UserDefaults::~UserDefaults() {
  auto domain = PreferencesDomain::named(suiteName_);
  if (domain->hasPendingChanges()) domain->synchronize();
}

Value UserDefaults::objectForKey(const std::string& key) const {
  return PreferencesDomain::named(suiteName_)->copyValue(key);
}

bool UserDefaults::setObject(const std::string& key, Value value) {
  return PreferencesDomain::named(suiteName_)->setValue(key, std::move(value));
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const {
  return stringFromDefaultsValue(objectForKey(key));
}

std::optional<Array> UserDefaults::arrayForKey(const std::string& key) const {
  return arrayFromDefaultsValue(objectForKey(key));
}

std::optional<Dictionary> UserDefaults::dictionaryForKey(const std::string& key) const {
  return dictionaryFromDefaultsValue(objectForKey(key));
}

bool UserDefaults::synchronize() { return PreferencesDomain::named(suiteName_)->synchronize(); }

}  // namespace platform::foundation
