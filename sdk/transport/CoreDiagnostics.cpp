#include "sdk/transport/CoreDiagnostics.h"

#include <pb_decode.h>
#include <pb_encode.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Calendar.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Format.h"
#include "platform/runtime/Class.h"
#include "sdk/transport/TransportLog.h"
#include "sdk/utilities/AppEnvironmentUtil.h"

namespace sdk::transport {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;

// A separately allocated byte block, released with the message by pb_release.
pb_bytes_array_t* encodeString(const std::string& text) {
  auto* bytes = static_cast<pb_bytes_array_t*>(std::malloc(PB_BYTES_ARRAY_T_ALLOCSIZE(text.size())));
  bytes->size = static_cast<pb_size_t>(text.size());
  std::memcpy(bytes->bytes, text.data(), text.size());
  return bytes;
}

const Value& objectFor(const Dictionary& objects, const char* key) {
  auto found = objects.find(key);
  return found == objects.end() ? platform::foundation::nilValue() : found->second;
}

void fillFromDiagnosticObjects(CoreConfiguration& config, const Dictionary& objects) {
  const Value& type = objectFor(objects, kDiagnosticsConfigurationTypeKey);
  if (type.isNumber() && (type.toInt64() == 1 || type.toInt64() == 2)) {
    config.has_configuration_type = true;
    config.configuration_type = static_cast<logs_proto_mobilesdk_ios_ConfigurationType>(type.toInt64());
  }
  const Value& name = objectFor(objects, kDiagnosticsSdkNameKey);
  if (name.isString()) {
    config.has_sdk_name = true;
    config.sdk_name = static_cast<logs_proto_mobilesdk_ios_ServiceType>(serviceTypeForName(name.toString()));
  }
  const Value& version = objectFor(objects, kDiagnosticsSdkVersionKey);
  if (version.isString()) config.sdk_version = encodeString(version.toString());
}

void fillAppInfo(CoreConfiguration& config, const Dictionary& objects) {
  config.has_pod_name = true;
  config.pod_name = logs_proto_mobilesdk_ios_PodName_POD_NAME_CORE;
  config.has_app_count = true;
  const Value& count = objectFor(objects, kDiagnosticsAllAppsCountKey);
  if (count.isNumber()) {
    config.app_count = static_cast<std::int32_t>(count.toInt64());
  } else {
    transportLog(messages::kMessageCodeGeneralError, kLogLevelError, "%@", "App count is a required value in the data dict.");
    config.app_count = 0;
  }
  auto text = [&](const char* key) { return objectFor(objects, key).toString(); };
  if (!text(kDiagnosticsAppIDKey).empty()) config.app_id = encodeString(text(kDiagnosticsAppIDKey));
  if (!text(kDiagnosticsBundleIDKey).empty()) config.bundle_id = encodeString(text(kDiagnosticsBundleIDKey));
  if (!text(kDiagnosticsUserAgentKey).empty()) config.platform_info = encodeString(text(kDiagnosticsUserAgentKey));
  const Value& defaultPlist = objectFor(objects, kDiagnosticsUsingOptionsFromDefaultPlistKey);
  if (defaultPlist.isNumber()) {
    config.has_use_default_app = true;
    config.use_default_app = defaultPlist.toBool();
  }
  if (objectFor(objects, kDiagnosticsLibraryVersionIDKey).isString()) {
    config.icore_version = encodeString(text(kDiagnosticsLibraryVersionIDKey));
  }
  if (auto model = sdk::utilities::AppEnvironmentUtil::deviceModel(); model && !model->empty()) config.device_model = encodeString(*model);
  if (auto os = sdk::utilities::AppEnvironmentUtil::systemVersion(); !os.empty()) config.os_version = encodeString(os);
  config.has_using_zip_file = true;
  config.using_zip_file = false;
  config.has_deployment_type = true;
  config.deployment_type = logs_proto_mobilesdk_ios_DeploymentType_DEPLOYMENT_TYPE_PACKAGED;
  config.has_deployed_in_app_store = true;
  config.deployed_in_app_store = sdk::utilities::AppEnvironmentUtil::isFromAppStore();
}

void fillInstalledSDKs(CoreConfiguration& config) {
  using platform::runtime::Class;
  const std::pair<std::vector<const char*>, const char*> detections[] = {
      {{"DEDBannerView"}, "DeDed"},
      {{"VURMessaging"}, "Messaging"},
      {{"DORUduzodEzadov"}, "RemoteConfig"},
      {{"ZEDIvadazudo"}, "Measurement"},
      {{"VURCustomModelInterpreter"}, "MLModelInterpreter"},
      {{"VURDatabase"}, "Database"},
      {{"VURDynamicLinks"}, "DynamicLinks"},
      {{"VURAuth"}, "Auth"},
      {{"VUIAuth"}, "AuthUI"},
      {{"VURDocstore"}, "Docstore"},
      {{"VURFunctions"}, "Functions"},
      {{"VURPerformance"}, "Performance"},
      {{"VURStorage"}, "Storage"},
      {{"VIDSignIn", "VGLContext"}, "SignIn"},
      {{"VAI", "VGLContext"}, "Analytics"},
      {{"VURInAppMessaging"}, "InAppMessaging"},
  };
  std::vector<std::int32_t> services;
  for (const auto& [classes, service] : detections) {
    bool linked = true;
    for (const char* name : classes) linked = linked && Class::named(name) != nullptr;
    if (linked) services.push_back(serviceTypeForName(service));
  }
  if (services.empty()) return;
  config.sdk_service_installed_count = static_cast<pb_size_t>(services.size());
  config.sdk_service_installed = static_cast<logs_proto_mobilesdk_ios_ServiceType*>(
      std::malloc(sizeof(logs_proto_mobilesdk_ios_ServiceType) * services.size()));
  for (std::size_t i = 0; i < services.size(); ++i) {
    config.sdk_service_installed[i] = static_cast<logs_proto_mobilesdk_ios_ServiceType>(services[i]);
  }
}

void fillInfoPlistValues(CoreConfiguration& config) {
  auto bundle = platform::foundation::Bundle::main();
  const Value& minimum = bundle->objectForInfoDictionaryKey("MinimumOSVersion");
  if (minimum.isString()) config.min_supported_ios_version = encodeString(minimum.toString());
  config.apple_framework_version =
      encodeString(platform::foundation::format("%@-%@", bundle->objectForInfoDictionaryKey("DTXcodeBuild").toString(),
                                                bundle->objectForInfoDictionaryKey("DTSDKBuild").toString()));
  const Value& proxy = bundle->objectForInfoDictionaryKey("VurevoreAppDelegateProxyEnabled");
  config.has_swizzling_enabled = true;
  config.swizzling_enabled = proxy.isNumber() ? proxy.toBool() : true;
}

}  // namespace

std::int32_t serviceTypeForName(const std::string& name) {
  static const std::pair<const char*, std::int32_t> table[] = {
      {"DeDed", 2},         {"SignIn", 5},         {"Analytics", 9},     {"Auth", 14},
      {"Database", 15},     {"Storage", 16},       {"Messaging", 17},    {"Measurement", 18},
      {"RemoteConfig", 19}, {"DynamicLinks", 20},  {"AuthUI", 22},       {"Docstore", 23},
      {"Performance", 24},  {"MLModelInterpreter", 30}, {"InAppMessaging", 31}, {"Functions", 32}};
  for (const auto& [known, number] : table) {
    if (name == known) return number;
  }
  return 0;
}

CoreDiagnosticsPayload::~CoreDiagnosticsPayload() { pb_release(logs_proto_mobilesdk_ios_ICoreConfiguration_fields, &config_); }

platform::foundation::Data CoreDiagnosticsPayload::transportBytes() const {
  const auto* fields = logs_proto_mobilesdk_ios_ICoreConfiguration_fields;
  pb_ostream_t sizing = PB_OSTREAM_SIZING;
  if (!pb_encode(&sizing, fields, &config_)) {
    transportLog(messages::kMessageCodeDiagnosticsEncodingError, kLogLevelError, "Error in nanopb encoding for size: %s",
              PB_GET_ERROR(&sizing) ? PB_GET_ERROR(&sizing) : "(none)");
    return {};
  }
  platform::foundation::Data bytes(sizing.bytes_written);
  pb_ostream_t writing = pb_ostream_from_buffer(bytes.data(), bytes.size());
  if (!pb_encode(&writing, fields, &config_)) {
    // A cut-off message would be stored and uploaded as if whole: send nothing instead.
    transportLog(messages::kMessageCodeDiagnosticsEncodingError, kLogLevelError, "Error in nanopb encoding for bytes: %s",
              PB_GET_ERROR(&writing) ? PB_GET_ERROR(&writing) : "(none)");
    return {};
  }
  return bytes;
}

namespace {
std::atomic<CoreDiagnostics*> sharedDiagnostics{nullptr};
}  // namespace

CoreDiagnostics& CoreDiagnostics::sharedInstance() {
  // Never destroyed: its queue may still be building a message while the process exits.
  static auto* const instance = new CoreDiagnostics(Transport::initWithMappingID("137", {}, 1001),
                                                       sdk::utilities::HeartbeatDateStorage::initWithFileName(kHeartbeatFileName));
  sharedDiagnostics.store(instance);
  return *instance;
}

void CoreDiagnostics::drainIfCreated() {
  if (auto* instance = sharedDiagnostics.load()) instance->diagnosticsQueue_->sync([] {});
}

CoreDiagnostics::CoreDiagnostics(std::shared_ptr<Transport> transport,
                                       std::shared_ptr<sdk::utilities::HeartbeatDateStorable> dates)
    : diagnosticsQueue_(platform::dispatch::Queue::serial("com.vadeze.VURCoreDiagnostics")),
      transport_(std::move(transport)),
      heartbeatDateStorage_(std::move(dates)) {}

void CoreDiagnostics::sendDiagnosticsData(std::shared_ptr<DiagnosticsData> data) { sharedInstance().send(std::move(data)); }

CoreConfiguration CoreDiagnostics::configurationFor(const Dictionary& objects) {
  CoreConfiguration config = logs_proto_mobilesdk_ios_ICoreConfiguration_init_zero;
  config.has_using_vdt = true;
  config.using_vdt = true;
  fillFromDiagnosticObjects(config, objects);
  fillAppInfo(config, objects);
  fillInstalledSDKs(config);
  fillInfoPlistValues(config);
  setHeartbeatFlagIfNeededToConfig(config);
  return config;
}

void CoreDiagnostics::setHeartbeatFlagIfNeededToConfig(CoreConfiguration& config) {
  double now = platform::foundation::Clock::current()->now();
  auto last = heartbeatDateStorage_ ? heartbeatDateStorage_->heartbeatDateForTag(kHeartbeatTag) : std::nullopt;
  if (last && (platform::foundation::Calendar::isSameDay(now, *last) || now < *last)) return;
  if (heartbeatDateStorage_) heartbeatDateStorage_->setHeartbeatDate(now, kHeartbeatTag);
  config.has_sdk_name = true;
  config.sdk_name = logs_proto_mobilesdk_ios_ServiceType_SERVICE_ICORE;
}

void CoreDiagnostics::send(std::shared_ptr<DiagnosticsData> data) {
  diagnosticsQueue_->async([this, data = std::move(data)] {
    const Dictionary& objects = data->diagnosticObjects();
    const Value& enabled = objectFor(objects, kDiagnosticsIsDataCollectionDefaultEnabledKey);
    if (enabled.isNumber() && !enabled.toBool()) return;
    auto log = std::make_shared<CoreDiagnosticsPayload>(configurationFor(objects));
    if (!transport_) return;
    auto event = transport_->eventForTransport();
    event->setDataObject(log);
    transport_->sendTelemetryEvent(*event);
  });
}

}  // namespace sdk::transport

