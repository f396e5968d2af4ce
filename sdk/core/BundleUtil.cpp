#include "sdk/core/BundleUtil.h"

#include "sdk/utilities/AppEnvironmentUtil.h"

namespace sdk::core {

std::vector<BundleUtil::BundlePtr> BundleUtil::relevantBundles() {
  return {platform::foundation::Bundle::main()};
}

std::string BundleUtil::optionsDictionaryPathWithResourceName(const std::string& name, const std::string& type,
                                                                 const std::vector<BundlePtr>& bundles) {
  for (const auto& bundle : bundles) {
    if (!bundle) continue;
    std::string path = bundle->pathForResource(name, type);
    if (!path.empty()) return path;
  }
  return {};
}

std::vector<std::string> BundleUtil::relevantURLSchemes() {
  std::vector<std::string> schemes;
  for (const auto& bundle : relevantBundles()) {
    const auto* types = bundle->objectForInfoDictionaryKey("CFBundleURLTypes").array();
    if (!types) continue;
    for (const auto& type : *types) {
      const auto* entries = type["CFBundleURLSchemes"].array();
      if (!entries) continue;
      for (const auto& scheme : *entries) {
        if (scheme.isString()) schemes.push_back(*scheme.string());
      }
    }
  }
  return schemes;
}

bool BundleUtil::hasBundleIdentifierPrefix(const std::string& identifier, const std::vector<BundlePtr>& bundles) {
  const bool extension = sdk::utilities::AppEnvironmentUtil::isAppExtension();
  for (const auto& bundle : bundles) {
    if (!bundle) continue;
    const std::string own = bundle->bundleIdentifier();
    if (own == identifier) return true;
    if (extension && bundleIdentifierByRemovingLastPartFrom(own) == identifier) return true;
  }
  return false;
}

std::string BundleUtil::bundleIdentifierByRemovingLastPartFrom(const std::string& identifier) {
  const auto dot = identifier.rfind('.');
  return dot == std::string::npos ? std::string() : identifier.substr(0, dot);
}

}  // namespace sdk::core

