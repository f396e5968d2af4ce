#include "sdk/transport/Transport.h"

#include <gtest/gtest.h>

#include "platform/log/Log.h"
#include "sdk/transport/FlatFileEventStoreTestSupport.h"
#include "sdk/transport/TransformingEventWriter.h"

namespace ostrel::testing {
namespace {

using platform::foundation::Data;

// Adds a letter to the payload, so the order of a chain shows in the stored bytes.
class AppendingTransformer final : public sdk::transport::EventTransformer {
 public:
  explicit AppendingTransformer(char letter) : letter_(letter) {}
  std::shared_ptr<sdk::transport::TransportEvent> transformVDTEvent(std::shared_ptr<sdk::transport::TransportEvent> event) override {
    auto bytes = event->serializedDataObjectBytes().value_or(Data{});
    std::string text(bytes.begin(), bytes.end());
    event->setDataObject(std::make_shared<BytesDataObject>(text + letter_));
    return event;
  }

 private:
  char letter_;
};

// Hands back a changed copy and leaves the event it was given alone.
class CopyingTransformer final : public sdk::transport::EventTransformer {
 public:
  explicit CopyingTransformer(char letter) : letter_(letter) {}
  std::shared_ptr<sdk::transport::TransportEvent> transformVDTEvent(std::shared_ptr<sdk::transport::TransportEvent> event) override {
    auto bytes = event->serializedDataObjectBytes().value_or(Data{});
    auto changed = event->copy();
    changed->setDataObject(std::make_shared<BytesDataObject>(std::string(bytes.begin(), bytes.end()) + letter_));
    return changed;
  }

 private:
  char letter_;
};

class DroppingTransformer final : public sdk::transport::EventTransformer {
 public:
  std::shared_ptr<sdk::transport::TransportEvent> transformVDTEvent(std::shared_ptr<sdk::transport::TransportEvent>) override { return nullptr; }
};

class TransportTest : public FlatFileEventStoreTest {
 protected:
  std::shared_ptr<sdk::transport::Transport> transport(sdk::transport::EventTransformerList transformers, std::int64_t target = 1001) {
    auto made = sdk::transport::Transport::initWithMappingID("137", std::move(transformers), target);
    made->setTransformerInstance(transformer);
    return made;
  }

  // Sends, waits for the completion and returns it.
  std::pair<bool, OptionalError> send(sdk::transport::Transport& via, sdk::transport::TransportEvent& event, bool telemetry = false) {
    std::pair<bool, OptionalError> result{false, std::nullopt};
    auto done = [&](bool written, const OptionalError& error) { result = {written, error}; };
    telemetry ? via.sendTelemetryEvent(event, done) : via.sendDataEvent(event, done);
    drain(transformer->eventWritingQueue());
    drain(storage->storageQueue());
    return result;
  }

  std::vector<std::shared_ptr<sdk::transport::TransportEvent>> stored(std::int64_t target = 1001) {
    auto [id, events] = batch(sdk::transport::EventSelector::eventSelectorForTarget(target));
    if (!events) return {};
    return {events->begin(), events->end()};
  }

  std::shared_ptr<sdk::transport::TransformingEventWriter> transformer = std::make_shared<sdk::transport::TransformingEventWriter>(application, registrar);
};

TEST_F(TransportTest, InvalidMappingIDsAndTargetsMakeNoTransport) {
  EXPECT_EQ(sdk::transport::Transport::initWithMappingID("", {}, 1001), nullptr);
  EXPECT_EQ(sdk::transport::Transport::initWithMappingID("137", {}, 0), nullptr);
  auto made = sdk::transport::Transport::initWithMappingID("137", {}, 1001);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->transformerInstance(), sdk::transport::TransformingEventWriter::sharedInstance());
  auto event = made->eventForTransport();
  EXPECT_EQ(event->mappingID(), "137");
  EXPECT_EQ(event->target(), 1001);
}

TEST_F(TransportTest, TelemetryIsStoredAtTierOneKeepingItsIDWithARenewedExpiry) {
  auto via = transport({});
  auto event = via->eventForTransport();
  event->setDataObject(std::make_shared<BytesDataObject>("diagnostics"));
  event->setQosTier(3);
  clock->advance(1000);
  ASSERT_TRUE(send(*via, *event, true).first);
  auto events = stored();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0]->eventID(), event->eventID());
  EXPECT_EQ(events[0]->qosTier(), 1);
  EXPECT_EQ(events[0]->expirationDate(), clock->now() + 604800);
  EXPECT_EQ(events[0]->clockSnapshot()->timeMillis(), static_cast<std::int64_t>(clock->now() * 1000));

  auto data = via->eventForTransport();
  data->setDataObject(std::make_shared<BytesDataObject>("x"));
  data->setQosTier(2);
  ASSERT_TRUE(send(*via, *data).first);
  events = stored();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0]->qosTier(), 2);
}

TEST_F(TransportTest, TransformersChainAndCanDropTheEvent) {
  struct Case {
    const char* name;
    sdk::transport::EventTransformerList transformers;
    std::optional<std::string> storedPayload;  // nullopt: dropped
  };
  const Case cases[] = {
      {"none", {}, "p"},
      {"chain", {std::make_shared<AppendingTransformer>('a'), std::make_shared<AppendingTransformer>('b')}, "pab"},
      // Each transformer works on what the one before handed back, in list order.
      {"copies", {std::make_shared<CopyingTransformer>('a'), std::make_shared<CopyingTransformer>('b')}, "pab"},
      {"reversed", {std::make_shared<CopyingTransformer>('b'), std::make_shared<AppendingTransformer>('a')}, "pba"},
      {"dropped", {std::make_shared<AppendingTransformer>('a'), std::make_shared<DroppingTransformer>()}, std::nullopt},
      {"missing", {std::make_shared<AppendingTransformer>('a'), nullptr}, std::nullopt},
  };
  for (const auto& c : cases) {
    platform::log::CapturedLines lines;
    auto via = transport(c.transformers);
    auto event = makeEvent("137", 1001, 3, "p");
    auto [written, error] = send(*via, *event);
    EXPECT_EQ(written, c.storedPayload.has_value()) << c.name;
    EXPECT_FALSE(error) << c.name;
    auto events = stored();
    ASSERT_EQ(events.size(), c.storedPayload ? 1u : 0u) << c.name;
    if (c.storedPayload) {
      auto bytes = *events[0]->serializedDataObjectBytes();
      EXPECT_EQ(std::string(bytes.begin(), bytes.end()), *c.storedPayload) << c.name;
    }
    EXPECT_EQ(lines.contains("[VadezeDataTransport][I-VDTCOR001000] Transformer doesn't implement transformVDTEvent:"),
              std::string(c.name) == "missing")
        << c.name;
  }
  EXPECT_EQ(application->openTasks(), 0u);
}

TEST_F(TransportTest, AnEventForATargetWithoutStorageCompletesWithAnErrorAndEndsItsTask) {
  auto via = transport({}, 4242);
  auto event = via->eventForTransport();
  event->setDataObject(std::make_shared<BytesDataObject>("x"));
  auto [written, error] = send(*via, *event);
  EXPECT_FALSE(written);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->domain, sdk::transport::TransformingEventWriter::kErrorDomain);
  EXPECT_EQ(application->openTasks(), 0u);
  EXPECT_GE(application->begunTasks(), 1u);
}

TEST_F(TransportTest, TheRegistrarReplacesEntriesAndFansLifeCycleMessagesOut) {
  struct Listener final : sdk::transport::Uploader {
    void uploadTarget(std::int64_t, std::uint32_t) override {}
    void appWillBackground(sdk::transport::ApplicationInterface&) override { ++backgrounds; }
    void appWillTerminate(sdk::transport::ApplicationInterface&) override { ++terminations; }
    int backgrounds = 0, terminations = 0;
  };
  auto fresh = std::make_shared<sdk::transport::TargetRegistrar>();
  auto first = std::make_shared<Listener>(), second = std::make_shared<Listener>();
  fresh->registerUploader(first, 1000);
  fresh->registerUploader(second, 1000);
  fresh->registerUploader(second, 1001);
  EXPECT_EQ(fresh->targetToUploader().at(1000), second);
  fresh->appWillBackground(*application);
  fresh->appWillTerminate(*application);
  EXPECT_EQ(first->backgrounds, 0);
  EXPECT_EQ(second->backgrounds, 2);  // once per entry
  EXPECT_EQ(second->terminations, 2);
}

}  // namespace
}  // namespace ostrel::testing
