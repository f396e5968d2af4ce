#pragma once

// Shared by the tests that read the main bundle (delegate interception, environment facts): a main bundle
// with a chosen Info.plist in a temporary container, and the lines the SDK logger wrote.

#include <filesystem>
#include <string>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/PropertyList.h"
#include "sdk/utilities/LoggedLinesTestSupport.h"
#include "testing/TempContainer.h"

namespace ostrel::testing {

class MainBundleTestSupport {
 public:
  ~MainBundleTestSupport() { platform::foundation::Bundle::setMainPath(previousBundle_); }

  // A fresh main bundle with this Info.plist, returning its path; a `folder` ending in ".appex" makes an
  // app extension.
  std::string useInfo(platform::foundation::Dictionary info, const std::string& folder = "App.app") {
    const std::string path = container_.pathFor(std::to_string(++bundles_) + "/" + folder);
    std::filesystem::create_directories(path);
    platform::foundation::PropertyList::writeFile(path + "/Info.plist", platform::foundation::Value(std::move(info)),
                                                  platform::foundation::PropertyList::Format::Xml);
    platform::foundation::Bundle::setMainPath(path);
    return path;
  }
  bool logged(const std::string& fragment) const { return logged_.contains(fragment); }

 private:
  TempContainer container_;
  LoggedLines logged_{sdk::utilities::kLoggerLevelDebug};
  std::string previousBundle_ = platform::foundation::Bundle::setMainPath("");
  int bundles_ = 0;
};

}  // namespace ostrel::testing
