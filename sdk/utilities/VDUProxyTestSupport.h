#pragma once

// Shared by the delegate-interception tests: a main bundle with a chosen Info.plist in a temporary
// container, and the lines the SDK logger wrote.

#include <algorithm>
#include <filesystem>
#include <string>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/PropertyList.h"
#include "platform/log/Log.h"
#include "sdk/utilities/VDULogger.h"
#include "testing/TempContainer.h"

class VDUProxyTestSupport {
 public:
  VDUProxyTestSupport() : previousBundle_(platform::foundation::Bundle::setMainPath("")) {
    VDULoggerResetForTesting();
    VDUSetLoggerLevel(VDULoggerLevelDebug);
  }
  ~VDUProxyTestSupport() {
    VDULoggerFlush();
    VDULoggerResetForTesting();
    platform::foundation::Bundle::setMainPath(previousBundle_);
  }

  // A fresh main bundle with this Info.plist; a `folder` ending in ".appex" makes an app extension.
  void useInfo(platform::foundation::Dictionary info, const std::string& folder = "App.app") {
    const std::string path = container_.pathFor(std::to_string(++bundles_) + "/" + folder);
    std::filesystem::create_directories(path);
    platform::foundation::PropertyList::writeFile(path + "/Info.plist", platform::foundation::Value(std::move(info)),
                                                  platform::foundation::PropertyList::Format::Xml);
    platform::foundation::Bundle::setMainPath(path);
  }

  bool logged(const std::string& fragment) const {
    VDULoggerFlush();
    auto lines = captured_.lines();
    return std::any_of(lines.begin(), lines.end(),
                       [&](const auto& line) { return line.message.find(fragment) != std::string::npos; });
  }

 private:
  ostrel::testing::TempContainer container_;
  platform::log::CapturedLines captured_;
  std::string previousBundle_;
  int bundles_ = 0;
};
