#include "sdk/core/UserAgent.h"

#include <algorithm>
#include <vector>

#include "platform/foundation/Bundle.h"
#include "sdk/utilities/AppEnvironmentUtil.h"

namespace sdk::core {

using platform::foundation::Value;

namespace {

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

void UserAgent::setValue(std::optional<std::string> value, const std::string& component) {
  std::lock_guard lock(mutex_);
  if (value) {
    valuesByComponent_[component] = std::move(*value);
  } else {
    valuesByComponent_.erase(component);
  }
  cached_.reset();
}

std::string UserAgent::userAgentString() {
  std::lock_guard lock(mutex_);
  if (cached_) return *cached_;
  Dictionary entries = valuesByComponent_;
  for (const auto& [name, value] : environmentComponents()) entries[name] = value;
  std::vector<std::string> items;
  items.reserve(entries.size());
  for (const auto& [name, value] : entries) items.push_back(name + "/" + value.toString());
  std::sort(items.begin(), items.end(), itemPrecedes);
  std::string text;
  for (const auto& item : items) {
    if (!text.empty()) text += ' ';
    text += item;
  }
  cached_ = text;
  return text;
}

void UserAgent::reset() {
  std::lock_guard lock(mutex_);
  valuesByComponent_ = computeEnvironmentComponents();
  cached_.reset();
}

const UserAgent::Dictionary& UserAgent::environmentComponents() {
  std::lock_guard lock(mutex_);
  if (!environment_) environment_ = computeEnvironmentComponents();
  return *environment_;
}

UserAgent::Dictionary UserAgent::computeEnvironmentComponents() {
  const auto bundle = platform::foundation::Bundle::main();
  Dictionary components;
  auto put = [&components](const char* name, const Value& value) {
    if (!value.isNil()) components[name] = value;
  };
  put("apple-platform", sdk::utilities::AppEnvironmentUtil::applePlatform());
  put("apple-sdk", bundle->objectForInfoDictionaryKey("DTSDKBuild"));
  put("appstore", sdk::utilities::AppEnvironmentUtil::isFromAppStore() ? "true" : "false");
  put("deploy", sdk::utilities::AppEnvironmentUtil::deploymentType());
  if (auto model = sdk::utilities::AppEnvironmentUtil::deviceModel()) put("device", *model);
  put("os-version", sdk::utilities::AppEnvironmentUtil::systemVersion());
  put("xcode", bundle->objectForInfoDictionaryKey("DTXcodeBuild"));
  return components;
}

bool UserAgent::itemPrecedes(const std::string& a, const std::string& b) {
  const bool folded = std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                                   [](char x, char y) { return foldAscii(x) < foldAscii(y); });
  if (folded) return true;
  const bool foldedAfter = std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(),
                                                        [](char x, char y) { return foldAscii(x) < foldAscii(y); });
  if (foldedAfter) return false;
  return a < b;
}

}  // namespace sdk::core

