#pragma once

// A fresh SDK world for one test: an empty app container, a bundle of our own with an Info.plist
// and (when given) an options file, no configured apps, and the default options read afresh. All of
// it is put back when the object goes.

#include <stdexcept>
#include <string>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Value.h"
#include "sdk/core/App.h"
#include "sdk/core/AppOptions.h"
#include "testing/TempContainer.h"

namespace ostrel::testing {

using platform::foundation::Dictionary;
using platform::foundation::Value;

// An app ID, API key and project the installations service accepts.
inline constexpr const char* kAppID = "1:123456789000:ios:f1e2d3c4b5a6";
inline constexpr const char* kAPIKey = "AOstrelTestKey-0123456789_abcdefghijklm";
inline constexpr const char* kProjectID = "ostrel-test";
inline constexpr const char* kSenderID = "123456789000";
inline constexpr const char* kBundleID = "app.ostrel.Test";

inline Dictionary validOptionsDictionary() {
  return {{sdk::core::AppOptions::kAppID, kAppID},
          {sdk::core::AppOptions::kAPIKey, kAPIKey},
          {sdk::core::AppOptions::kProjectID, kProjectID},
          {sdk::core::AppOptions::kSenderID, kSenderID},
          {sdk::core::AppOptions::kBundleID, kBundleID}};
}

inline sdk::core::AppOptions::Ptr validOptions() { return sdk::core::AppOptions::initInternalWithOptionsDictionary(validOptionsDictionary()); }

class SdkWorld {
 public:
  // `bundleName` ending in ".appex" makes the process an app extension.
  explicit SdkWorld(Dictionary info = {{"CFBundleIdentifier", kBundleID}},
                    std::optional<Dictionary> options = validOptionsDictionary(), const std::string& bundleName = "Bundle")
      : folder_(container_.pathFor(bundleName)) {
    if (!platform::foundation::AtomicFile::createDirectories(folder_).ok()) throw std::runtime_error("cannot make " + folder_);
    writePlist("Info.plist", Value(std::move(info)));
    if (options) writePlist("VadezeService-Info.plist", Value(std::move(*options)));
    previousBundle_ = platform::foundation::Bundle::setMainPath(folder_);
    sdk::core::App::resetApps();
    sdk::core::AppOptions::resetDefaultOptions();
  }
  ~SdkWorld() {
    sdk::core::App::resetApps();
    sdk::core::AppOptions::resetDefaultOptions();
    platform::foundation::Bundle::setMainPath(previousBundle_);
  }
  SdkWorld(const SdkWorld&) = delete;
  SdkWorld& operator=(const SdkWorld&) = delete;

  void writePlist(const std::string& name, const Value& contents) {
    platform::foundation::PropertyList::writeFile(folder_ + "/" + name, contents,
                                                 platform::foundation::PropertyList::Format::Xml);
  }
  const std::string& bundleFolder() const { return folder_; }
  const ostrel::testing::TempContainer& container() const { return container_; }

 private:
  ostrel::testing::TempContainer container_;
  std::string folder_;
  std::string previousBundle_;
};

}  // namespace ostrel::testing
