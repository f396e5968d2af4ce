#include "sdk/transport/CoreDiagnostics.h"

#include <pb_decode.h>

#include <gtest/gtest.h>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/PropertyList.h"
#include "platform/runtime/Class.h"
#include "sdk/core/App.h"
#include "sdk/transport/CoreDiagnosticsConnector.h"
#include "sdk/transport/FlatFileEventStoreTestSupport.h"
#include "sdk/transport/TransformingEventWriter.h"
#include "sdk/transport/UploadTestSupport.h"
#include "sdk/transport/NetworkUploader.h"
#include "testing/LoopbackServer.h"
#include "testing/ScopedClock.h"

namespace ostrel::testing {
namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;

// A decoded message, released when it goes.
struct Decoded {
  sdk::transport::CoreConfiguration config = logs_proto_mobilesdk_ios_ICoreConfiguration_init_zero;
  bool ok = false;
  explicit Decoded(const platform::foundation::Data& bytes) {
    pb_istream_t stream = pb_istream_from_buffer(bytes.data(), bytes.size());
    ok = pb_decode(&stream, logs_proto_mobilesdk_ios_ICoreConfiguration_fields, &config);
  }
  ~Decoded() { pb_release(logs_proto_mobilesdk_ios_ICoreConfiguration_fields, &config); }
  static std::optional<std::string> text(const pb_bytes_array_t* bytes) {
    if (!bytes) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(bytes->bytes), bytes->size);
  }
};

class CoreDiagnosticsTest : public FlatFileEventStoreTest {
 protected:
  void SetUp() override {
    FlatFileEventStoreTest::SetUp();
    std::filesystem::create_directories(bundlePath);
    previousBundle = platform::foundation::Bundle::setMainPath(bundlePath);
    transport->setTransformerInstance(transformer);
  }
  void TearDown() override {
    platform::foundation::Bundle::setMainPath(previousBundle);
    FlatFileEventStoreTest::TearDown();
  }

  // Each Info.plist in a bundle folder of its own: a bundle reads its Info.plist once.
  void writeInfo(Dictionary info) {
    std::string folder = bundlePath + "/" + std::to_string(++bundles);
    std::filesystem::create_directories(folder);
    info["CFBundleIdentifier"] = "com.example.ostrel";
    platform::foundation::PropertyList::writeFile(folder + "/Info.plist", Value(info),
                                                  platform::foundation::PropertyList::Format::Xml);
    platform::foundation::Bundle::setMainPath(folder);
  }
  static Dictionary objects(Value configurationType, std::string appID) {
    return {{sdk::transport::kDiagnosticsConfigurationTypeKey, configurationType}, {sdk::transport::kDiagnosticsAppIDKey, Value(appID)},
            {sdk::transport::kDiagnosticsAllAppsCountKey, Value(1)}, {sdk::transport::kDiagnosticsUserAgentKey, Value("agent/1")},
            {sdk::transport::kDiagnosticsLibraryVersionIDKey, Value("80700000")}};
  }
  Decoded encoded(const Dictionary& objects) {
    sdk::transport::CoreDiagnosticsPayload log(diagnostics.configurationFor(objects));
    return Decoded(log.transportBytes());
  }
  void sendAndStore(std::shared_ptr<sdk::transport::DiagnosticsData> data) {
    diagnostics.send(std::move(data));
    drain(diagnostics.diagnosticsQueue());
    drain(transformer->eventWritingQueue());
    drain(storage->storageQueue());
  }

  std::string bundlePath = container.pathFor("bundle");
  std::string previousBundle;
  int bundles = 0;
  std::shared_ptr<sdk::transport::TransformingEventWriter> transformer = std::make_shared<sdk::transport::TransformingEventWriter>(application, registrar);
  std::shared_ptr<sdk::transport::Transport> transport = sdk::transport::Transport::initWithMappingID("137", {}, 1001);
  sdk::transport::CoreDiagnostics diagnostics{transport, sdk::utilities::HeartbeatDateStorage::initWithFileName(sdk::transport::CoreDiagnostics::kHeartbeatFileName)};
};

TEST_F(CoreDiagnosticsTest, FieldsArePresentAsTheObjectsAndTheInfoPlistSay) {
  struct Case {
    const char* name;
    Dictionary info;
    Value configurationType;
    std::string appID;
    std::optional<bool> swizzling;
    std::string frameworkVersion;
    bool hasConfigurationType, hasAppID;
  };
  const Case cases[] = {
      {"plain", {}, Value(1), "1:2:ios:3", true, "-", true, true},
      {"proxy off", {{"VurevoreAppDelegateProxyEnabled", Value(false)}}, Value(2), "", false, "-", true, false},
      {"proxy not a number", {{"VurevoreAppDelegateProxyEnabled", Value("NO")}}, Value(3), "x", true, "-", false, true},
      {"build tools", {{"DTXcodeBuild", Value("14A")}, {"DTSDKBuild", Value("21A")}}, Value(), "x", true, "14A-21A",
       false, true},
  };
  for (const auto& c : cases) {
    writeInfo(c.info);
    Decoded message = encoded(objects(c.configurationType, c.appID));
    ASSERT_TRUE(message.ok) << c.name;
    const auto& config = message.config;
    EXPECT_EQ(config.has_configuration_type, c.hasConfigurationType) << c.name;
    EXPECT_EQ(config.app_id != nullptr, c.hasAppID) << c.name;
    EXPECT_TRUE(config.has_swizzling_enabled) << c.name;
    EXPECT_EQ(config.swizzling_enabled, *c.swizzling) << c.name;
    EXPECT_EQ(Decoded::text(config.apple_framework_version), c.frameworkVersion) << c.name;
    EXPECT_EQ(Decoded::text(config.platform_info), "agent/1") << c.name;
    EXPECT_EQ(Decoded::text(config.icore_version), "80700000") << c.name;
    EXPECT_TRUE(config.has_using_vdt && config.using_vdt) << c.name;
    EXPECT_TRUE(config.has_using_zip_file && !config.using_zip_file) << c.name;
    EXPECT_EQ(config.pod_name, 2) << c.name;
    EXPECT_EQ(config.deployment_type, 1) << c.name;
    EXPECT_EQ(config.app_count, 1) << c.name;
  }
  EXPECT_EQ(sdk::transport::serviceTypeForName("Measurement"), 18);
  EXPECT_EQ(sdk::transport::serviceTypeForName("Nothing"), 0);
}

TEST_F(CoreDiagnosticsTest, TheHeartbeatFlagComesWithTheFirstMessageOfEachDayOnly) {
  writeInfo({});
  auto heartbeat = [&] {
    Decoded message = encoded(objects(Value(1), "app"));
    return message.config.has_sdk_name && message.config.sdk_name == 1;
  };
  EXPECT_TRUE(heartbeat());
  EXPECT_FALSE(heartbeat());  // same day
  clock->advance(24 * 3600);
  EXPECT_TRUE(heartbeat());
  // A clock set back before the stored day: no flag until that day has passed.
  auto setBack = std::make_shared<platform::foundation::ManualClock>(clock->now() - 3 * 24 * 3600);
  ostrel::testing::ScopedClock setBackClock(setBack);
  EXPECT_FALSE(heartbeat());
  setBack->advance(4 * 24 * 3600);
  EXPECT_TRUE(heartbeat());
}

TEST_F(CoreDiagnosticsTest, TheMessageIsStoredAsTelemetryForTarget1001AndUploaded) {
  writeInfo({});
  auto disabled = std::make_shared<sdk::transport::DiagnosticsData>();
  disabled->insertValue(false, sdk::transport::kDiagnosticsIsDataCollectionDefaultEnabledKey);
  sendAndStore(disabled);
  EXPECT_TRUE(filesIn(eventFolder(1001)).empty());

  auto data = std::make_shared<sdk::transport::DiagnosticsData>();
  data->insertValue(true, sdk::transport::kDiagnosticsIsDataCollectionDefaultEnabledKey);
  data->insertValue(1, sdk::transport::kDiagnosticsConfigurationTypeKey);
  data->insertValue("app-id", sdk::transport::kDiagnosticsAppIDKey);
  sendAndStore(data);
  auto names = filesIn(eventFolder(1001));
  ASSERT_EQ(names.size(), 1u);
  EXPECT_NE(names.begin()->find("-1-"), std::string::npos);  // tier 1
  EXPECT_TRUE(names.begin()->ends_with("-137"));

  LoopbackServer server;
  server.on("POST", "/batch", LoopbackResponse::withStatus(200, encodeReply(0)));
  sdk::transport::NetworkUploader::setTestServerURL(server.url("/batch"));
  auto uploader = std::make_shared<sdk::transport::NetworkUploader>(registrar, application);
  uploader->uploadTarget(1001, 4);
  ASSERT_TRUE(uploader->waitForUploadFinishedWithTimeout(20));
  sdk::transport::NetworkUploader::setTestServerURL(std::nullopt);
  ASSERT_EQ(server.requestCount(), 1u);
  auto sources = decodeUploadRequest(server.requests()[0].body);
  ASSERT_TRUE(sources);
  ASSERT_EQ(sources->size(), 1u);
  EXPECT_EQ((*sources)[0].sourceID, 137);
  const std::string& payload = (*sources)[0].events[0].payload;
  Decoded message(platform::foundation::Data(payload.begin(), payload.end()));
  ASSERT_TRUE(message.ok);
  EXPECT_EQ(Decoded::text(message.config.app_id), "app-id");
  drain(storage->storageQueue());
  EXPECT_TRUE(filesIn(eventFolder(1001)).empty());
}

}  // namespace
}  // namespace ostrel::testing

namespace ostrel::testing {
namespace {

TEST(CoreDiagnosticsConnectorTest, TheCoreFindsTheConnectorByName) {
  sdk::transport::registerCoreDiagnosticsConnector();
  sdk::transport::registerCoreDiagnosticsConnector();  // once is enough
  auto* connector = platform::runtime::Class::named("VURCoreDiagnosticsConnector");
  ASSERT_NE(connector, nullptr);
  EXPECT_TRUE(connector->metaclass()->instancesRespondTo(sdk::core::kLogCoreTelemetryWithOptions.name));
}

}  // namespace
}  // namespace ostrel::testing
