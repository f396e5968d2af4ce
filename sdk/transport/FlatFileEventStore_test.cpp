#include "sdk/transport/FlatFileEventStore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <future>

#include "platform/foundation/AtomicFile.h"
#include "platform/log/Log.h"
#include "sdk/transport/Archive.h"
#include "sdk/transport/FlatFileEventStoreTestSupport.h"
#include "sdk/transport/UploadBatch.h"
#include "testing/FileContents.h"

namespace ostrel::testing {
namespace {

using platform::foundation::AtomicFile;
using platform::foundation::Data;
using platform::foundation::Value;

using StorageTest = FlatFileEventStoreTest;

TEST_F(StorageTest, FileNamesParseBackWithTheirMappingIDs) {
  auto event = makeEvent("a/b-c d", 1002, 2);
  ASSERT_TRUE(store(event).first);
  auto names = filesIn(eventFolder(1002));
  ASSERT_EQ(names.size(), 1u);
  std::string name = *names.begin();
  EXPECT_EQ(name, event->eventID() + "-2-" + std::to_string(static_cast<long long>(event->expirationDate())) +
                      "-a%2Fb-c%20d");
  Value parts = sdk::transport::FlatFileNames::eventComponentsFromFilename(name);
  EXPECT_EQ(parts[sdk::transport::FlatFileEventStore::kEventIDComponentKey], Value(event->eventID()));
  EXPECT_EQ(parts[sdk::transport::FlatFileEventStore::kQoSTierComponentKey], Value(2));
  EXPECT_EQ(parts[sdk::transport::FlatFileEventStore::kExpirationComponentKey].date(), static_cast<double>(static_cast<long long>(event->expirationDate())));
  EXPECT_EQ(sdk::transport::FlatFileNames::decodedMappingID(parts[sdk::transport::FlatFileEventStore::kMappingIDComponentKey].toString()),
            "a/b-c d");

  // Selection by that mapping ID still finds the file.
  sdk::transport::EventSelector selector{1002, {}, {"a/b-c d"}, {}};
  auto [id, events] = batch(selector);
  ASSERT_TRUE(events);
  EXPECT_EQ(events->size(), 1u);

  for (const char* bad : {"only-three-parts", "id-x-5-m", "id-1-y-m", ""}) {
    EXPECT_TRUE(sdk::transport::FlatFileNames::eventComponentsFromFilename(bad).isNil()) << bad;
  }
  Value batchParts = sdk::transport::FlatFileNames::batchComponentsFromFilename("1001-7-1700000600");
  EXPECT_EQ(batchParts[sdk::transport::FlatFileEventStore::kBatchTargetComponentKey], Value(1001));
  EXPECT_EQ(batchParts[sdk::transport::FlatFileEventStore::kBatchIDComponentKey], Value(7));
  for (const char* bad : {"1001-7", "1001-7-5-9", "1001--1-5", "x-7-5"}) {
    EXPECT_TRUE(sdk::transport::FlatFileNames::batchComponentsFromFilename(bad).isNil()) << bad;
  }
}

TEST_F(StorageTest, RefusesEventsWithoutBytesAndNegativeTiers) {
  auto bare = sdk::transport::TransportEvent::initWithMappingIDTarget("137", 1001);
  auto [written, error] = store(bare);
  EXPECT_FALSE(written);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->domain, sdk::transport::FlatFileEventStore::kInconsistencyDomain);
  std::tie(written, error) = store(nullptr);
  EXPECT_FALSE(written);
  std::tie(written, error) = store(makeEvent("137", 1001, -1));
  EXPECT_FALSE(written);
  EXPECT_TRUE(filesIn(eventFolder(1001)).empty());
}

// The limit is measured on the archive: find the size of one, then fill the folder up to a chosen total.
TEST_F(StorageTest, TheSizeLimitAcceptsExactlyTwentyMillionBytes) {
  auto probe = makeEvent("137", 1001, 3);
  std::uint64_t archiveSize = sdk::transport::archiveObject(Value(probe))->size();

  for (std::uint64_t filler : {sdk::transport::FlatFileEventStore::kStorageSizeLimit - archiveSize,
                               sdk::transport::FlatFileEventStore::kStorageSizeLimit - archiveSize + 1}) {
    std::string padding = sdk::transport::transportRootDirectory() + "/padding";
    std::ofstream(padding, std::ios::trunc) << std::string(filler, 'x');
    auto fresh = makeStorage();
    auto [written, storeError] = store(probe, fresh);
    bool fits = filler + archiveSize <= sdk::transport::FlatFileEventStore::kStorageSizeLimit;
    EXPECT_EQ(written, fits) << filler;
    if (!fits) {
      ASSERT_TRUE(storeError);
      EXPECT_EQ(storeError->domain, "VDTCORFlatFileStorage");
      EXPECT_EQ(storeError->code, 0);
      EXPECT_EQ(storeError->userInfo[sdk::transport::FlatFileEventStore::kFailureReasonKey],
                Value("Storage size limit has been reached."));
    }
    std::uint64_t size = 0;
    fresh->storageSizeWithCallback([&](std::uint64_t bytes) { size = bytes; });
    drain(fresh->storageQueue());
    EXPECT_EQ(size, fits ? sdk::transport::FlatFileEventStore::kStorageSizeLimit : filler);
    std::filesystem::remove_all(eventFolder(1001));
  }
}

TEST_F(StorageTest, BatchesAreMadeReturnedAndDeleted) {
  auto low = makeEvent("137", 1001, 1), high = makeEvent("137", 1001, 3), other = makeEvent("138", 1000, 3);
  for (auto& event : {low, high, other}) ASSERT_TRUE(store(event).first);

  auto [firstID, firstEvents] = batch({1001, {}, {}, {1}});
  EXPECT_EQ(firstID, 0u);
  ASSERT_TRUE(firstEvents);
  ASSERT_EQ(firstEvents->size(), 1u);
  EXPECT_TRUE((*firstEvents->begin())->isEqual(*low));
  auto [secondID, secondEvents] = batch(sdk::transport::EventSelector::eventSelectorForTarget(1001));
  EXPECT_EQ(secondID, 1u);
  EXPECT_EQ(secondEvents->size(), 1u);
  EXPECT_TRUE(filesIn(eventFolder(1001)).empty());

  // Nothing left to select: no batch, but the counter has moved on.
  auto [noneID, noneEvents] = batch(sdk::transport::EventSelector::eventSelectorForTarget(1001));
  EXPECT_FALSE(noneID);
  EXPECT_FALSE(noneEvents);
  EXPECT_EQ(batch(sdk::transport::EventSelector::eventSelectorForTarget(1000)).first, 3u);

  auto ids = await(storage->batchIDsForTarget(1001), storage->storageQueue());
  EXPECT_EQ(ids.value, Value(platform::foundation::Array{0, 1}));
  EXPECT_EQ(await(storage->batchIDsForTarget(1003), storage->storageQueue()).value,
            Value(platform::foundation::Array{}));

  // Returned: back under the same names. Deleted: gone.
  await(storage->removeBatchWithID(0, false), storage->storageQueue());
  await(storage->removeBatchWithID(1, true), storage->storageQueue());
  auto names = filesIn(eventFolder(1001));
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names.begin()->substr(0, 32), low->eventID());
  await(storage->removeAllBatchesForTarget(1000, true), storage->storageQueue());
  EXPECT_TRUE(filesIn(storage->names().batchDataStoragePath()).empty());
  EXPECT_TRUE(await(storage->batchIDsForTarget(1000), storage->storageQueue()).value.isNil());
}

// The events stored, waiting or in a batch, witness how far the container's time has gone: the newest
// made within the bound, as their names tell it (to the second), until they are deleted.
TEST_F(StorageTest, TheNewestEventMadeWithinTheBoundIsReadFromTheNames) {
  const std::string root = sdk::transport::transportRootDirectory();
  auto latest = [&](double bound) { return sdk::transport::FlatFileNames::latestEventTimeNotAfter(root, bound); };
  EXPECT_EQ(latest(1e12), std::nullopt);
  const double first = std::floor(clock->now());
  ASSERT_TRUE(store(makeEvent("137", 1001, 3)).first);
  clock->advance(7200.25);
  const double second = std::floor(clock->now());
  ASSERT_TRUE(store(makeEvent("138", 1000, 3)).first);
  ASSERT_TRUE(batch(sdk::transport::EventSelector::eventSelectorForTarget(1000)).first);
  EXPECT_EQ(latest(1e12), second) << "an event in a batch";
  EXPECT_EQ(latest(second - 1), first);
  EXPECT_EQ(latest(first - 1), std::nullopt);
  await(storage->removeAllBatchesForTarget(1000, true), storage->storageQueue());
  EXPECT_EQ(latest(1e12), first) << "a deleted event";
}

TEST_F(StorageTest, ThePromiseFormRejectsWhenThereIsNothingToBatch) {
  auto settled = await(storage->batchWithEventSelector(sdk::transport::EventSelector::eventSelectorForTarget(1002), 1),
                       storage->storageQueue());
  ASSERT_TRUE(settled.error);
  EXPECT_EQ(settled.error->domain, "VDTCORFlatFileStorage");
  EXPECT_EQ(settled.error->code, -1);
  EXPECT_EQ(settled.error->userInfo[sdk::transport::FlatFileEventStore::kFailureReasonKey],
            Value("There are no events for the selector."));

  ASSERT_TRUE(store(makeEvent("1206", 1002, 4)).first);
  EXPECT_EQ(await(storage->hasEventsForTarget(1002), storage->storageQueue()).value, Value(true));
  settled = await(storage->batchWithEventSelector(sdk::transport::EventSelector::eventSelectorForTarget(1002), 1),
                  storage->storageQueue());
  auto made = settled.value.objectAs<sdk::transport::UploadBatch>();
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->batchID(), 1u);
  EXPECT_EQ(made->events().size(), 1u);
  EXPECT_EQ(await(storage->hasEventsForTarget(1002), storage->storageQueue()).value, Value(false));
}

// A damaged event file leaves the upload path with its bytes kept and named, still counted against the
// size limit, until its own expiration passes.
TEST_F(StorageTest, ACorruptEventFileIsKeptAsideWhileBatchingUntilItExpires) {
  platform::log::CapturedLines log;
  const auto sizeNow = [this] {
    std::uint64_t size = 0;
    storage->storageSizeWithCallback([&](std::uint64_t bytes) { size = bytes; });
    drain(storage->storageQueue());
    return size;
  };
  const std::string expiring = "-3-" + std::to_string(static_cast<long long>(clock->now() + 100)) + "-137";
  std::vector<std::string> damaged;
  for (const char* bytes : {"not an archive", ""}) {
    ASSERT_TRUE(store(makeEvent("137", 1001, 3)).first);
    damaged.push_back(eventFolder(1001) + "/" + sdk::transport::TransportEvent::nextEventID() + expiring);
    std::ofstream(damaged.back()) << bytes;
    storage->checkForExpirations();  // the sweep walks the folders again for the size
    const std::uint64_t before = sizeNow();
    auto [id, events] = batch(sdk::transport::EventSelector::eventSelectorForTarget(1001));
    ASSERT_TRUE(events);
    EXPECT_EQ(events->size(), 1u);
    EXPECT_FALSE(AtomicFile::fileExists(damaged.back()));
    const auto kept = damagedCopiesOf(damaged.back(), storage->names().damagedDataStoragePath());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(contentsOf(kept[0]), bytes);
    EXPECT_TRUE(log.contains("kept as " + kept[0]));
    storage->checkForExpirations();
    EXPECT_GE(sizeNow(), before) << "still counted (the batch counter has grown meanwhile)";
    await(storage->removeBatchWithID(*id, true), storage->storageQueue());
  }
  EXPECT_EQ(filesIn(storage->names().damagedDataStoragePath()).size(), 2u) << "the second damage keeps the first copy";

  clock->advance(200);
  storage->checkForExpirations();
  drain(storage->storageQueue());
  EXPECT_TRUE(filesIn(storage->names().damagedDataStoragePath()).empty());
}

TEST_F(StorageTest, AnEventThatCannotMoveStaysOutOfTheBatchAndAPartlyReturnedBatchIsKept) {
  auto kept = makeEvent("137", 1001, 3), blocked = makeEvent("137", 1001, 3);
  ASSERT_TRUE(store(kept).first);
  ASSERT_TRUE(store(blocked).first);
  // A folder in the batch under the blocked event's name makes its move fail.
  std::string blockedName;
  for (const auto& name : filesIn(eventFolder(1001))) {
    if (name.starts_with(blocked->eventID())) blockedName = name;
  }
  std::string batchFolder = storage->names().batchPathForTarget(1001, 0, clock->now() + 600);
  std::filesystem::create_directories(batchFolder + "/" + blockedName + "/x");
  auto [id, events] = batch(sdk::transport::EventSelector::eventSelectorForTarget(1001));
  ASSERT_TRUE(events);
  ASSERT_EQ(events->size(), 1u);
  EXPECT_TRUE((*events->begin())->isEqual(*kept));
  EXPECT_EQ(filesIn(eventFolder(1001)), std::set<std::string>{blockedName});

  // Returning the batch cannot put its odd entry back over the waiting event: the folder stays.
  await(storage->removeBatchWithID(*id, false), storage->storageQueue());
  EXPECT_TRUE(AtomicFile::isDirectory(batchFolder));
  EXPECT_EQ(filesIn(eventFolder(1001)).size(), 2u);
}

TEST_F(StorageTest, TheSweepDeletesExpiredEventsAlsoInsideExpiredBatches) {
  auto early = makeEvent("137", 1001, 3);
  early->setExpirationDate(clock->now() + 100);
  auto late = makeEvent("137", 1001, 3);
  for (auto& event : {early, late}) ASSERT_TRUE(store(event).first);
  auto [id, events] = batch(sdk::transport::EventSelector::eventSelectorForTarget(1001), clock->now() + 50);
  ASSERT_EQ(events->size(), 2u);
  std::ofstream(eventFolder(1001) + "/.stale.Ab12Cd") << "half";
  std::ofstream(eventFolder(1001) + "/unparsable") << "kept";

  clock->advance(200);
  storage->checkForExpirations();
  drain(storage->storageQueue());
  auto names = filesIn(eventFolder(1001));
  EXPECT_EQ(names.size(), 2u);
  EXPECT_TRUE(names.count("unparsable"));
  EXPECT_FALSE(names.count(".stale.Ab12Cd"));
  for (const auto& name : names) EXPECT_FALSE(name.starts_with(early->eventID()));
  EXPECT_TRUE(filesIn(storage->names().batchDataStoragePath()).empty());
}

TEST_F(StorageTest, TheBatchCounterStartsAtZeroWrapsAndReadsBadFilesAsZero) {
  std::string counter = storage->names().libraryDataStoragePath() + "/" + sdk::transport::FlatFileEventStore::kBatchIDCounterKey;
  auto counterValue = [&] {
    auto bytes = AtomicFile::readFile(counter);
    std::uint32_t value = 0;
    if (bytes.ok() && bytes->size() == 4) std::memcpy(&value, bytes->data(), 4);
    return value;
  };
  struct Case {
    std::optional<Data> stored;
    std::uint32_t handedOut, next;
  };
  const std::uint32_t last = 0xFFFFFFFF, high = 0x80000000;
  const Case cases[] = {
      {std::nullopt, 0, 1},
      {Data{1, 2, 3}, 0, 1},
      {Data(reinterpret_cast<const std::uint8_t*>(&high), reinterpret_cast<const std::uint8_t*>(&high) + 4), high, high + 1},
      {Data(reinterpret_cast<const std::uint8_t*>(&last), reinterpret_cast<const std::uint8_t*>(&last) + 4), last, 0},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(AtomicFile::removeFile(counter).ok());
    if (c.stored) {
      ASSERT_TRUE(AtomicFile::writeAtomically(counter, c.stored->data(), c.stored->size()).ok());
    }
    std::optional<std::uint32_t> id;
    storage->storageQueue()->sync([&] { id = storage->syncThreadUnsafeNextBatchID(); });
    EXPECT_EQ(id, c.handedOut);
    EXPECT_EQ(counterValue(), c.next);
  }

  // From 2^31 on a batch's folder name still parses, so its events can come back.
  ASSERT_TRUE(AtomicFile::writeAtomically(counter, reinterpret_cast<const std::uint8_t*>(&high), 4).ok());
  ASSERT_TRUE(store(makeEvent("137", 1001, 3)).first);
  auto [id, events] = batch(sdk::transport::EventSelector::eventSelectorForTarget(1001));
  EXPECT_EQ(id, high);
  await(storage->removeBatchWithID(high, false), storage->storageQueue());
  EXPECT_EQ(filesIn(eventFolder(1001)).size(), 1u);
}

TEST_F(StorageTest, LibraryDataIsCountedOnceAndRemovalAlwaysCompletes) {
  auto sizeNow = [&] {
    std::uint64_t size = 0;
    storage->storageSizeWithCallback([&](std::uint64_t bytes) { size = bytes; });
    drain(storage->storageQueue());
    return size;
  };
  std::uint64_t base = sizeNow();
  std::optional<sdk::transport::EventStore::OptionalError> result;
  storage->storeLibraryData(Data(100, 1), "key", [&](const auto& error) { result = error; });
  drain(storage->storageQueue());
  ASSERT_TRUE(result);
  EXPECT_FALSE(*result);
  storage->storeLibraryData(Data(40, 2), "key", {});
  drain(storage->storageQueue());
  EXPECT_EQ(sizeNow(), base + 40);

  std::optional<Data> fetched;
  storage->libraryDataForKey("key", [&](const auto& data, const auto&) { fetched = data; },
                             [] { return std::optional<Data>(Data(10, 3)); });
  drain(storage->storageQueue());
  EXPECT_EQ(fetched, Data(40, 2));
  EXPECT_EQ(sizeNow(), base + 10);

  result.reset();
  storage->storeLibraryData({}, "key", [&](const auto& error) { result = error; });
  ASSERT_TRUE(result && *result);

  int removals = 0;
  for (int i = 0; i < 2; ++i) {
    storage->removeLibraryDataForKey("key", [&](const auto& error) {
      EXPECT_FALSE(error);
      ++removals;
    });
  }
  drain(storage->storageQueue());
  EXPECT_EQ(removals, 2);  // the second found nothing to remove and still answered
  EXPECT_EQ(sizeNow(), base);
}

TEST_F(StorageTest, ATierFourEventForcesAnUploadOfItsTargetAndEveryStoreEndsItsTask) {
  ASSERT_TRUE(store(makeEvent("137", 1001, 3)).first);
  drain(coordinator->coordinationQueue());
  drain(coordinator->coordinationQueue());
  EXPECT_TRUE(uploader->calls().empty());
  ASSERT_TRUE(store(makeEvent("1206", 1002, 4)).first);
  drain(coordinator->coordinationQueue());
  drain(coordinator->coordinationQueue());
  EXPECT_EQ(uploader->calls(), (std::vector<RecordingUploader::Call>{{1002, 4 | 16}}));

  // Refused for size, refused for missing bytes: each task ended all the same.
  std::ofstream(sdk::transport::transportRootDirectory() + "/padding") << std::string(sdk::transport::FlatFileEventStore::kStorageSizeLimit, 'x');
  auto full = makeStorage();
  EXPECT_FALSE(store(makeEvent("137", 1001, 3), full).first);
  EXPECT_EQ(application->openTasks(), 0u);
  EXPECT_EQ(application->begunTasks(), 3u);
}

// Stores queued together share their folder sync, yet each reports only with its file in place, the
// reports keep the order of the stores, and a batch asked for in between sees every earlier store done.
TEST_F(StorageTest, AQueuedBurstReportsInOrderWithEveryFileInPlaceBeforeALaterBatch) {
  std::promise<void> release;
  storage->storageQueue()->async([gate = release.get_future().share()] { gate.wait(); });
  std::vector<std::string> reports;  // on the storage queue only
  auto storeOne = [&](int index) {
    auto event = makeEvent("137", 1001, 3);
    const std::string path = storage->names().pathForTarget(1001, event->eventID(), 3, event->expirationDate(), "137");
    storage->storeEvent(event, [&reports, path, index](bool written, const OptionalError&) {
      EXPECT_TRUE(written);
      EXPECT_TRUE(platform::foundation::AtomicFile::fileExists(path)) << index;
      reports.push_back(std::to_string(index));
    });
  };
  constexpr int kBurst = 2 * static_cast<int>(sdk::transport::FolderSyncGroup::kMaximumDeferred) + 10;
  for (int i = 0; i < kBurst; ++i) storeOne(i);
  storage->batchWithEventSelector(sdk::transport::EventSelector::eventSelectorForTarget(1001), 1e10,
                                  [&](auto, auto events) {
                                    EXPECT_EQ(events.value_or(sdk::transport::EventSet{}).size(), static_cast<std::size_t>(kBurst));
                                    reports.push_back("batch");
                                  });
  storeOne(kBurst);
  release.set_value();
  drain(storage->storageQueue());
  ASSERT_EQ(reports.size(), static_cast<std::size_t>(kBurst + 2));
  for (int i = 0; i < kBurst; ++i) EXPECT_EQ(reports[static_cast<std::size_t>(i)], std::to_string(i));
  EXPECT_EQ(reports[kBurst], "batch");
  EXPECT_EQ(reports[kBurst + 1], std::to_string(kBurst));
  EXPECT_EQ(application->openTasks(), 0u);
}

}  // namespace
}  // namespace ostrel::testing
