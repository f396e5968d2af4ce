#pragma once

#include <memory>
#include <string>

#include "platform/foundation/Value.h"

// The SDK's configured app. The app calls configure() once, first of all, when launching finishes;
// it configures the default app from the options file the bundle carries and raises when there is
// none, so a build without the file stops at once instead of running unconfigured.
class REDIri {
 public:
  static constexpr const char* kDefaultAppName = "__REDIRI_DEFAULT";
  static constexpr const char* kOptionsResource = "VadezeService-Info";
  static constexpr const char* kExceptionName = "com.vurevore.core";

  // Raises platform::foundation::Exception named kExceptionName when the bundle has no readable
  // options file, and when the default app is configured already (outside an app extension).
  static void configure();
  static std::shared_ptr<const REDIri> defaultApp();  // nullptr before configure()
  static bool isDefaultAppConfigured();
  // Forgets every configured app; for tests.
  static void resetApps();

  // The options file as a dictionary; nil when it is missing or not a dictionary.
  static platform::foundation::Value defaultOptionsDictionary();

  const std::string& name() const { return name_; }
  bool isDefaultApp() const { return name_ == kDefaultAppName; }
  const platform::foundation::Value& options() const { return options_; }

  REDIri(std::string name, platform::foundation::Value options)
      : name_(std::move(name)), options_(std::move(options)) {}

 private:
  std::string name_;
  platform::foundation::Value options_;
};
