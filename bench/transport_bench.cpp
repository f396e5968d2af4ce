// The event transport's flat-file storage beside the raw file work underneath, in the same run:
// storing 10,000 events durably against a plain write, fsync and rename loop over the same bytes (also
// in alternating turns, for a ratio that the shared disk's moods leave alone), and batching 10,000
// stored events against the same renames done directly.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchContainer.h"
#include "platform/foundation/Paths.h"
#include "sdk/transport/Archive.h"
#include "sdk/transport/FlatFileEventStore.h"
#include "sdk/transport/TransportEnvironment.h"

namespace {

using platform::foundation::Data;
using platform::foundation::Value;

constexpr int kEvents = 10000;

class Payload final : public sdk::transport::EventPayload {
 public:
  Data transportBytes() const override { return Data(200, 0x42); }
};

using ostrel::bench::container;

std::vector<std::shared_ptr<sdk::transport::TransportEvent>> makeEvents() {
  std::vector<std::shared_ptr<sdk::transport::TransportEvent>> events;
  for (int i = 0; i < kEvents; ++i) {
    auto event = sdk::transport::TransportEvent::initWithMappingIDTarget("137", 1001);
    event->setDataObject(std::make_shared<Payload>());
    events.push_back(event);
  }
  return events;
}

std::shared_ptr<sdk::transport::FlatFileEventStore> makeStorage(const std::string& root) {
  return std::make_shared<sdk::transport::FlatFileEventStore>(root, std::weak_ptr<sdk::transport::UploadCoordinator>(), nullptr);
}

void storeAll(sdk::transport::FlatFileEventStore& storage, const std::vector<std::shared_ptr<sdk::transport::TransportEvent>>& events) {
  for (const auto& event : events) storage.storeEvent(event, [](bool, const auto&) {});
  storage.storageQueue()->sync([] {});
}

void BM_StoreTenThousandEvents(benchmark::State& state) {
  std::string root = container().path + "/store";
  auto events = makeEvents();
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove_all(root);
    auto storage = makeStorage(root);
    state.ResumeTiming();
    storeAll(*storage, events);
  }
  state.SetItemsProcessed(state.iterations() * kEvents);
}
BENCHMARK(BM_StoreTenThousandEvents)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same archives written the plain way: write, fsync, rename, for events [from, to).
void rawWriteFsyncRename(const std::string& folder, const std::vector<std::shared_ptr<sdk::transport::TransportEvent>>& events,
                         const std::vector<Data>& archives, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to; ++i) {
    std::string path = folder + "/" + events[i]->eventID(), temp = folder + "/." + events[i]->eventID();
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    benchmark::DoNotOptimize(::write(fd, archives[i].data(), archives[i].size()));
    ::fsync(fd);
    ::close(fd);
    std::rename(temp.c_str(), path.c_str());
  }
}

std::vector<Data> archivesOf(const std::vector<std::shared_ptr<sdk::transport::TransportEvent>>& events) {
  std::vector<Data> archives;
  for (const auto& event : events) archives.push_back(*sdk::transport::archiveObject(Value(event)));
  return archives;
}

void BM_RawWriteFsyncRename(benchmark::State& state) {
  std::string folder = container().path + "/raw-store";
  auto events = makeEvents();
  auto archives = archivesOf(events);
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    state.ResumeTiming();
    rawWriteFsyncRename(folder, events, archives, 0, events.size());
  }
  state.SetItemsProcessed(state.iterations() * kEvents);
}
BENCHMARK(BM_RawWriteFsyncRename)->Unit(benchmark::kMillisecond)->Iterations(3);

// The two above taken in turns of 500 events, each turn's order swapped, so that both meet the same
// disk (shared with whatever else runs) and the ratio holds still: "store/raw" is the median of the
// turns' time ratios, storage over the plain loop.
void BM_StoreAgainstRawInTurns(benchmark::State& state) {
  constexpr std::size_t kTurn = 500;
  std::string root = container().path + "/turns-store", folder = container().path + "/turns-raw";
  auto events = makeEvents();
  auto archives = archivesOf(events);
  std::vector<double> ratios;
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove_all(root);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    auto storage = makeStorage(root);
    storage->storageQueue()->sync([] {});
    state.ResumeTiming();
    for (std::size_t from = 0; from < events.size(); from += kTurn) {
      const std::size_t to = std::min(from + kTurn, events.size());
      auto timed = [](auto&& work) {
        auto start = std::chrono::steady_clock::now();
        work();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      };
      auto stored = [&] {
        for (std::size_t i = from; i < to; ++i) storage->storeEvent(events[i], [](bool, const auto&) {});
        storage->storageQueue()->sync([] {});
      };
      auto raw = [&] { rawWriteFsyncRename(folder, events, archives, from, to); };
      double storeSeconds, rawSeconds;
      if ((from / kTurn) % 2) {
        rawSeconds = timed(raw);
        storeSeconds = timed(stored);
      } else {
        storeSeconds = timed(stored);
        rawSeconds = timed(raw);
      }
      ratios.push_back(storeSeconds / rawSeconds);
    }
  }
  std::sort(ratios.begin(), ratios.end());
  state.counters["store/raw"] = ratios.empty() ? 0 : ratios[ratios.size() / 2];
  state.SetItemsProcessed(state.iterations() * kEvents * 2);
}
BENCHMARK(BM_StoreAgainstRawInTurns)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_BatchTenThousandEvents(benchmark::State& state) {
  std::string root = container().path + "/batch";
  std::filesystem::remove_all(root);
  auto storage = makeStorage(root);
  storeAll(*storage, makeEvents());
  for (auto _ : state) {
    std::optional<std::uint32_t> batchID;
    storage->batchWithEventSelector(sdk::transport::EventSelector::eventSelectorForTarget(1001), 1e10,
                                    [&](auto id, auto) { batchID = id; });
    storage->storageQueue()->sync([] {});
    state.PauseTiming();
    if (!batchID) state.SkipWithError("no batch");
    storage->removeBatchWithID(batchID.value_or(0), false, {});
    storage->storageQueue()->sync([] {});
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kEvents);
}
BENCHMARK(BM_BatchTenThousandEvents)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same moves done directly: rename each file into a batch folder.
void BM_RawRenameIntoFolder(benchmark::State& state) {
  std::string from = container().path + "/raw-batch/events", to = container().path + "/raw-batch/batch";
  std::filesystem::remove_all(container().path + "/raw-batch");
  std::filesystem::create_directories(from);
  std::filesystem::create_directories(to);
  std::vector<std::string> names;
  for (const auto& event : makeEvents()) {
    names.push_back(event->eventID());
    std::FILE* file = std::fopen((from + "/" + names.back()).c_str(), "w");
    std::fputs("x", file);
    std::fclose(file);
  }
  for (auto _ : state) {
    for (const auto& name : names) std::rename((from + "/" + name).c_str(), (to + "/" + name).c_str());
    state.PauseTiming();
    for (const auto& name : names) std::rename((to + "/" + name).c_str(), (from + "/" + name).c_str());
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kEvents);
}
BENCHMARK(BM_RawRenameIntoFolder)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
