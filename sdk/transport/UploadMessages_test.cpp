#include "sdk/transport/UploadMessages.h"

#include <gtest/gtest.h>

#include "platform/foundation/SystemFacts.h"
#include "sdk/transport/UploadTestSupport.h"
#include "sdk/transport/TransportTestSupport.h"
#include "testing/MainThreadEnvironment.h"

namespace ostrel::testing {
namespace {

using platform::foundation::Data;

class UploadMessagesTest : public ::testing::Test {
 protected:
  sdk::transport::DeviceFacts facts() {
    sdk::transport::DeviceFacts f;
    f.systemVersion = "17.4.1";
    f.deviceModel = "x86_64";
    f.bundleID = "com.example.ostrel";
    return f;
  }
  std::shared_ptr<sdk::transport::TransportEvent> stamped(const std::string& mappingID, std::string payload = "p") {
    auto event = makeEvent(mappingID, 1001, 3, std::move(payload));
    event->setClockSnapshot(std::make_shared<sdk::transport::ClockSnapshot>(1700000000123, -3600, 5, 42000000));
    return event;
  }
  std::string encoded(const sdk::transport::EventSet& events) {
    auto bytes = sdk::transport::encodeUploadRequest(events, facts());
    EXPECT_TRUE(bytes.ok());
    return bytes.ok() ? std::string(bytes->begin(), bytes->end()) : std::string();
  }

  MainThreadEnvironment environment;
};

TEST_F(UploadMessagesTest, TheRequestDecodesBackOneSourceBatchPerMappingID) {
  auto plain = stamped("137"), coded = stamped("1206", "crash");
  coded->setEventCode(12);
  auto network = stamped("137");
  // Presence, kind 1 (little-endian), presence, subkind 3.
  network->setNetworkConnectionInfoData(Data{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0});
  auto sources = decodeUploadRequest(encoded({plain, coded, network}));
  ASSERT_TRUE(sources);
  ASSERT_EQ(sources->size(), 2u);
  std::map<std::int32_t, const DecodedSource*> bySource;
  for (const auto& source : *sources) bySource[source.sourceID] = &source;
  ASSERT_TRUE(bySource.count(137) && bySource.count(1206));
  EXPECT_EQ(bySource[137]->events.size(), 2u);
  ASSERT_EQ(bySource[1206]->events.size(), 1u);

  const auto& crash = bySource[1206]->events[0];
  EXPECT_EQ(crash.payload, "crash");
  EXPECT_EQ(crash.eventCode, 12);
  EXPECT_EQ(crash.timeMillis, 1700000000123);
  EXPECT_EQ(crash.timezoneOffset, -3600);
  EXPECT_EQ(crash.uptimeMillis, 42);
  EXPECT_FALSE(crash.hasNetwork);
  for (const auto& event : bySource[137]->events) {
    EXPECT_FALSE(event.eventCode);  // no custom bytes: neither code nor network unless given
    if (event.hasNetwork) {
      EXPECT_EQ(event.network.network_kind, 1);
      EXPECT_EQ(event.network.mobile_subkind, 3);
    }
  }
  const auto& source = *bySource[137];
  EXPECT_EQ(source.clientKind, 15);
  EXPECT_FALSE(source.hasTier);
  EXPECT_EQ(source.requestTimeMillis, static_cast<std::int64_t>(environment.clock()->now() * 1000));
  // App build and country are absent on this device; the other texts are always there.
  EXPECT_EQ(source.appleFields, (std::vector<std::pair<int, std::string>>{
                                    {3, "17"}, {4, "17.4.1"}, {7, "x86_64"}, {8, "en"}, {11, "com.example.ostrel"}}));
}

TEST_F(UploadMessagesTest, GoldenBytesZigzagTheOffsetAndLeaveOptionalFieldsOut) {
  std::string bytes = encoded({stamped("137")});
  // Field 15 (sint64): tag 0x78, then zigzag(-3600) = 7199 = 0x9F 0x38.
  EXPECT_NE(bytes.find("\x78\x9F\x38"), std::string::npos);
  EXPECT_EQ(bytes.find("\x58"), std::string::npos);  // no field 11 (event code)
  EXPECT_EQ(bytes.find("\xBA\x01"), std::string::npos);  // no field 23 (network)
  EXPECT_EQ(sdk::transport::sourceIDForMappingID("137"), 137);
  EXPECT_EQ(sdk::transport::sourceIDForMappingID("1206abc"), 1206);
  EXPECT_EQ(sdk::transport::sourceIDForMappingID("x1"), 0);
  EXPECT_EQ(sdk::transport::sourceIDForMappingID("99999999999"), INT32_MAX);
}

TEST_F(UploadMessagesTest, OnlyAnExactSixteenByteRecordBecomesANetworkDescription) {
  struct Case {
    Data record;
    bool present;
    std::optional<std::int32_t> kind, subkind;
  };
  const Case cases[] = {
      {Data{1, 9, 9, 9, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 7, 0, 0, 0}, true, -1, std::nullopt},
      {Data{2, 0, 0, 0, 5, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0}, true, 5, 2},
      {Data(15, 1), false, std::nullopt, std::nullopt},
      {Data(17, 1), false, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    auto record = sdk::transport::NetworkRecord::fromData(c.record);
    ASSERT_EQ(record.has_value(), c.present) << c.record.size();
    if (!record) continue;
    EXPECT_EQ(record->networkKind, c.kind);
    EXPECT_EQ(record->mobileSubkind, c.subkind);
  }
  auto shortRecord = stamped("137");
  shortRecord->setNetworkConnectionInfoData(Data(15, 1));
  auto sources = decodeUploadRequest(encoded({shortRecord}));
  ASSERT_TRUE(sources);
  EXPECT_FALSE((*sources)[0].events[0].hasNetwork);
}

TEST_F(UploadMessagesTest, LargePayloadsAndManyEventsEncode) {
  std::string big(70 * 1024, 'b');
  auto sources = decodeUploadRequest(encoded({stamped("137", big)}));
  ASSERT_TRUE(sources);
  EXPECT_EQ((*sources)[0].events[0].payload, big);

  sdk::transport::EventSet many;
  for (int i = 0; i < 70000; ++i) many.insert(stamped("137", "e"));
  sources = decodeUploadRequest(encoded(many));
  ASSERT_TRUE(sources);
  EXPECT_EQ((*sources)[0].events.size(), 70000u);
}

TEST_F(UploadMessagesTest, RepliesDecodeOrGiveTheNanopbError) {
  auto reply = sdk::transport::decodeUploadReply([] {
    std::string bytes = encodeReply(2500);
    return Data(bytes.begin(), bytes.end());
  }());
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->nextWaitMillis, 2500);
  EXPECT_EQ(reply->configVersion, 7);
  std::string noWait = encodeReply(std::nullopt);
  reply = sdk::transport::decodeUploadReply(Data(noWait.begin(), noWait.end()));
  ASSERT_TRUE(reply);
  EXPECT_FALSE(reply->nextWaitMillis);

  auto cutShort = sdk::transport::decodeUploadReply(Data{0x08, 0xFF});  // a varint cut short
  ASSERT_FALSE(cutShort.ok());
  const platform::foundation::Error& error = cutShort.error();
  EXPECT_EQ(error.domain, "NSURLErrorDomain");
  EXPECT_EQ(error.code, -1);
  EXPECT_TRUE(error.userInfo["nanopb error:"].isString());
  EXPECT_NE(error.userInfo["nanopb error:"].toString(), "(none)");
}

}  // namespace
}  // namespace ostrel::testing
