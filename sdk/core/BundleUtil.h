#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Bundle.h"

namespace sdk::core {

// Finding the options file and comparing bundle identifiers.
class BundleUtil {
 public:
  using BundlePtr = std::shared_ptr<const platform::foundation::Bundle>;

  // The bundles the options file may sit in. The SDK is linked into the app's executable, so the
  // bundle that holds the SDK is the main bundle itself and is listed once.
  static std::vector<BundlePtr> relevantBundles();
  // The first bundle's path for the resource, in bundle order; "" when none has it.
  static std::string optionsDictionaryPathWithResourceName(const std::string& name, const std::string& type,
                                                           const std::vector<BundlePtr>& bundles);
  // Every "CFBundleURLSchemes" entry of every "CFBundleURLTypes" entry of the bundles, in order.
  static std::vector<std::string> relevantURLSchemes();
  // A bundle's identifier equals `identifier`; in an app extension, the bundle identifier without its
  // last dot-separated part may equal it too (an extension is named after its app).
  [[nodiscard]] static bool hasBundleIdentifierPrefix(const std::string& identifier, const std::vector<BundlePtr>& bundles);
  static std::string bundleIdentifierByRemovingLastPartFrom(const std::string& identifier);
};

}  // namespace sdk::core

