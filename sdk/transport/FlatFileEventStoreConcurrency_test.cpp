// Many threads at once: senders storing, an uploader batching and returning, sweeps, size reads and
// life-cycle messages. Run under ThreadSanitizer as well; afterwards nothing is lost or doubled.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "sdk/transport/FlatFileEventStoreTestSupport.h"
#include "sdk/transport/TransformingEventWriter.h"
#include "sdk/transport/Transport.h"
#include "sdk/transport/UploadBatch.h"

namespace ostrel::testing {
namespace {

using ConcurrencyTest = FlatFileEventStoreTest;

TEST_F(ConcurrencyTest, ConcurrentStoresBatchesAndSweepsKeepEveryEventOnce) {
  constexpr int kSenders = 4, kEventsEach = 40;
  auto transformer = std::make_shared<sdk::transport::TransformingEventWriter>(application, registrar);
  std::atomic<int> written{0};
  std::atomic<bool> sending{true};
  std::vector<std::thread> threads;
  for (int s = 0; s < kSenders; ++s) {
    threads.emplace_back([&, s] {
      auto transport = sdk::transport::Transport::initWithMappingID("137", {}, 1001);
      transport->setTransformerInstance(transformer);
      for (int i = 0; i < kEventsEach; ++i) {
        auto event = makeEvent("137", 1001, i % 5 == 0 ? 4 : 3, "sender " + std::to_string(s));
        transport->sendDataEvent(*event, [&](bool ok, const auto&) {
          if (ok) ++written;
        });
      }
    });
  }
  std::atomic<int> batchesReturned{0};
  threads.emplace_back([&] {
    while (sending.load()) {
      auto settled = await(storage->batchWithEventSelector(sdk::transport::EventSelector::eventSelectorForTarget(1001),
                                                           clock->now() + 600),
                           storage->storageQueue());
      if (settled.error) continue;
      auto made = settled.value.objectAs<sdk::transport::UploadBatch>();
      await(storage->removeBatchWithID(made->batchID(), false), storage->storageQueue());
      ++batchesReturned;
    }
  });
  threads.emplace_back([&] {
    while (sending.load()) {
      storage->checkForExpirations();
      coordinator->signalToStoragesToCheckExpirations();
      storage->storageSizeWithCallback([](std::uint64_t) {});
      registrar->appWillBackground(*application);
      drain(storage->storageQueue());
    }
  });
  for (int s = 0; s < kSenders; ++s) threads[s].join();
  drain(transformer->eventWritingQueue());
  drain(storage->storageQueue());
  sending = false;
  for (std::size_t t = kSenders; t < threads.size(); ++t) threads[t].join();
  drain(storage->storageQueue());
  drain(coordinator->coordinationQueue());

  EXPECT_EQ(written.load(), kSenders * kEventsEach);
  EXPECT_EQ(filesIn(eventFolder(1001)).size(), static_cast<std::size_t>(kSenders * kEventsEach));
  EXPECT_TRUE(filesIn(storage->names().batchDataStoragePath()).empty());
  EXPECT_EQ(application->openTasks(), 0u);
  EXPECT_FALSE(uploader->calls().empty());  // tier-4 events forced uploads on the way
}

}  // namespace
}  // namespace ostrel::testing
