#include "sdk/utilities/AppEnvironmentUtil.h"

#include <cstdlib>
#include <filesystem>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/SystemFacts.h"
#include "platform/foundation/Value.h"
#include "platform/runtime/Class.h"

namespace sdk::utilities {

using platform::foundation::SystemFacts;

namespace {

// "14.4.1" -> 14; text that is no number reads as 0.
long majorVersion(const std::string& version) { return std::strtol(version.c_str(), nullptr, 10); }

bool endsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The main bundle, as these checks see it.
namespace mainBundle {
std::string path() { return platform::foundation::Bundle::main()->bundlePath(); }
bool hasFile(const std::string& name) {
  std::error_code ignored;
  return std::filesystem::exists(std::filesystem::path(path()) / name, ignored);
}
std::string pathForResource(const std::string& name, const std::string& type) {
  return platform::foundation::Bundle::main()->pathForResource(name, type);
}
platform::foundation::Value infoValue(const std::string& key) {
  return platform::foundation::Bundle::main()->objectForInfoDictionaryKey(key);
}
}  // namespace mainBundle

}  // namespace

bool AppEnvironmentUtil::isFromAppStore() {
  const SystemFacts facts = SystemFacts::current();
  if (isSimulator()) return false;
  if (isAppStoreReceiptSandbox()) return false;
  if (mainBundle::hasFile("SC_Info")) return true;
  if (!facts.executableEncrypted) return false;
  return mainBundle::pathForResource("embedded", "mobileprovision").empty();
}

bool AppEnvironmentUtil::isAppStoreReceiptSandbox() {
  platform::foundation::Value check = mainBundle::infoValue("VurevoreAppStoreReceiptURLCheckEnabled");
  if (check.isNumber() && !check.toBool()) return false;
  return SystemFacts::current().storeReceiptName == "sandboxReceipt";
}

bool AppEnvironmentUtil::isSimulator() {
  const auto model = deviceModel();
  return model && (*model == "x86_64" || *model == "i386");
}

std::optional<std::string> AppEnvironmentUtil::deviceModel() { return SystemFacts::current().deviceModel; }

std::string AppEnvironmentUtil::systemVersion() { return SystemFacts::current().systemVersion; }

bool AppEnvironmentUtil::isAppExtension() { return endsWith(mainBundle::path(), ".appex"); }

bool AppEnvironmentUtil::hasSwiftRuntime() {
  // The runtime's root class is known by its plain name where it registers one, else by its mangled name.
  using platform::runtime::Class;
  return Class::named("Swift._SwiftObject") != nullptr || Class::named("_TtCs12_SwiftObject") != nullptr;
}

std::string AppEnvironmentUtil::applePlatform() {
  // Older systems have no way to ask, so the process-information question is only put from 14.0 on.
  if (majorVersion(systemVersion()) >= 14 && SystemFacts::current().phoneAppOnDesktop) return "ios_on_mac";
  return "ios";
}

std::string AppEnvironmentUtil::deploymentType() { return "cocoapods"; }

}  // namespace sdk::utilities

