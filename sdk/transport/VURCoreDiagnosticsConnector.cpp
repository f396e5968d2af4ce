// The class the SDK core finds by name and tells of every activation.
#include "platform/runtime/Class.h"
#include "sdk/core/REDIri.h"
#include "sdk/core/VUROptions.h"
#include "sdk/transport/VURCoreDiagnostics.h"

void VURRegisterCoreDiagnosticsConnector() {
  using platform::runtime::Class;
  if (Class::named("VURCoreDiagnosticsConnector")) return;
  Class* cls = Class::allocateClassPair(Class::root(), "VURCoreDiagnosticsConnector");
  cls->metaclass()->addMethod(kVURLogCoreTelemetryWithOptions, [](platform::runtime::Object&, const VUROptions::Ptr& options) {
    if (!options) return;
    auto data = std::make_shared<VURDiagnosticsData>();
    data->insertValue(true, kVURCDIsDataCollectionDefaultEnabledKey);
    data->insertValue(REDIri::vurevoreUserAgent(), kVURCDVurevoreUserAgentKey);
    data->insertValue(1, kVURCDConfigurationTypeKey);
    data->insertValue(options->vadezeAppID(), kVURCDVadezeAppIDKey);
    data->insertValue(options->bundleID(), kVURCDBundleID);
    data->insertValue(options->usingOptionsFromDefaultPlist(), kVURCDUsingOptionsFromDefaultPlistKey);
    data->insertValue(VUROptions::libraryVersionID(), kVURCDLibraryVersionIDKey);
    VURCoreDiagnostics::sendDiagnosticsData(std::move(data));
  });
  Class::registerClassPair(cls);
}
