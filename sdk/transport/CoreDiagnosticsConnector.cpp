#include "sdk/transport/CoreDiagnosticsConnector.h"

#include "platform/runtime/Class.h"
#include "sdk/core/App.h"
#include "sdk/core/AppOptions.h"
#include "sdk/transport/CoreDiagnostics.h"

namespace sdk::transport {

void registerCoreDiagnosticsConnector() {
  using platform::runtime::Class;
  if (Class::named("VURCoreDiagnosticsConnector")) return;
  Class* cls = Class::allocateClassPair(Class::root(), "VURCoreDiagnosticsConnector");
  cls->metaclass()->addMethod(sdk::core::kLogCoreTelemetryWithOptions, [](platform::runtime::Object&, const sdk::core::AppOptions::Ptr& options) {
    if (!options) return;
    auto data = std::make_shared<DiagnosticsData>();
    data->insertValue(true, kDiagnosticsIsDataCollectionDefaultEnabledKey);
    data->insertValue(sdk::core::App::userAgentString(), kDiagnosticsUserAgentKey);
    data->insertValue(1, kDiagnosticsConfigurationTypeKey);
    data->insertValue(options->appID(), kDiagnosticsAppIDKey);
    data->insertValue(options->bundleID(), kDiagnosticsBundleIDKey);
    data->insertValue(options->usingOptionsFromDefaultPlist(), kDiagnosticsUsingOptionsFromDefaultPlistKey);
    data->insertValue(sdk::core::AppOptions::libraryVersionID(), kDiagnosticsLibraryVersionIDKey);
    CoreDiagnostics::sendDiagnosticsData(std::move(data));
  });
  Class::registerClassPair(cls);
}

}  // namespace sdk::transport

