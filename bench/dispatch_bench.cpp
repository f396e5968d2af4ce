// Queue throughput and main-loop hop latency, each beside a bare std::thread + mutex/condition-variable
// queue doing the same work in the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "bench/InTurns.h"
#include "platform/dispatch/Group.h"
#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/Queue.h"

namespace {

using platform::dispatch::Group;
using platform::dispatch::MainLoop;
using platform::dispatch::Queue;

// The baseline: one thread draining a deque of std::function under a mutex and condition variable.
class BareQueue {
 public:
  BareQueue() : thread_([this] { drain(); }) {}
  ~BareQueue() {
    post(nullptr);
    thread_.join();
  }

  void post(std::function<void()> block) {
    std::lock_guard lock(mutex_);
    blocks_.push_back(std::move(block));
    ready_.notify_one();
  }

 private:
  void drain() {
    while (true) {
      std::function<void()> block;
      {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return !blocks_.empty(); });
        block = std::move(blocks_.front());
        blocks_.pop_front();
      }
      if (!block) return;
      block();
    }
  }

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> blocks_;
  std::thread thread_;
};

// The baseline for concurrent queues: a fixed set of threads sharing one mutex/condition-variable deque.
class BarePool {
 public:
  explicit BarePool(unsigned threads) {
    for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this] { work(); });
  }
  ~BarePool() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
      ready_.notify_all();
    }
    for (auto& thread : threads_) thread.join();
  }

  void post(std::function<void()> block) {
    std::lock_guard lock(mutex_);
    blocks_.push_back(std::move(block));
    ready_.notify_one();
  }

 private:
  void work() {
    while (true) {
      std::function<void()> block;
      {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return stopping_ || !blocks_.empty(); });
        if (blocks_.empty()) return;
        block = std::move(blocks_.front());
        blocks_.pop_front();
      }
      block();
    }
  }

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> blocks_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

// A main-thread stand-in for the baseline hop: a flag the worker sets under a condition variable.
struct Signal {
  std::mutex mutex;
  std::condition_variable changed;
  bool set = false;

  void raise() {
    std::lock_guard lock(mutex);
    set = true;
    changed.notify_one();
  }
  void waitAndReset() {
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return set; });
    set = false;
  }
};

void SerialQueueAsync(benchmark::State& state) {
  auto queue = Queue::serial("bench.serial");
  const auto count = state.range(0);
  std::int64_t sum = 0;
  for (auto _ : state) {
    for (std::int64_t i = 0; i < count; ++i) queue->async([&sum, i] { sum += i; });
    queue->sync([] {});  // waits until every block above has run
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(SerialQueueAsync)->Arg(10000)->UseRealTime();

void BareThreadQueueAsync(benchmark::State& state) {
  BareQueue queue;
  const auto count = state.range(0);
  std::int64_t sum = 0;
  for (auto _ : state) {
    for (std::int64_t i = 0; i < count; ++i) queue.post([&sum, i] { sum += i; });
    std::promise<void> drained;
    queue.post([&] { drained.set_value(); });
    drained.get_future().wait();
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BareThreadQueueAsync)->Arg(10000)->UseRealTime();

// `count` blocks on a concurrent queue, waited for as a group.
void runConcurrentBlocks(const std::shared_ptr<Queue>& queue, std::int64_t count, std::atomic<std::int64_t>& sum) {
  Group group;
  for (std::int64_t i = 0; i < count; ++i) group.async(queue, [&sum, i] { sum += i; });
  group.wait();
}

// The same blocks on the bare pool, the last one to finish saying so.
void runBarePoolBlocks(BarePool& pool, std::int64_t count, std::atomic<std::int64_t>& sum) {
  std::atomic<std::int64_t> left{count};
  std::promise<void> drained;
  for (std::int64_t i = 0; i < count; ++i)
    pool.post([&, i] {
      sum += i;
      if (--left == 0) drained.set_value();
    });
  drained.get_future().wait();
}

void ConcurrentQueueAsync(benchmark::State& state) {
  auto queue = Queue::concurrent("bench.concurrent");
  const auto count = state.range(0);
  std::atomic<std::int64_t> sum{0};
  for (auto _ : state) runConcurrentBlocks(queue, count, sum);
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(ConcurrentQueueAsync)->Arg(10000)->UseRealTime();

void BareThreadPoolAsync(benchmark::State& state) {
  BarePool pool(std::max(4u, std::thread::hardware_concurrency()));
  const auto count = state.range(0);
  std::atomic<std::int64_t> sum{0};
  for (auto _ : state) runBarePoolBlocks(pool, count, sum);
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BareThreadPoolAsync)->Arg(10000)->UseRealTime();

// The two above in turns, so both meet the same machine: "queue/pool" is the median of the turns'
// ratios of process CPU time (the work runs on the workers), "queue/pool_wall" of their wall time.
void ConcurrentQueueBesideBarePoolInTurns(benchmark::State& state) {
  auto queue = Queue::concurrent("bench.concurrent.turns");
  BarePool pool(std::max(4u, std::thread::hardware_concurrency()));
  const auto count = state.range(0);
  std::atomic<std::int64_t> sum{0};
  std::vector<double> cpu, wall;
  for (auto _ : state) {
    auto queued = [&] { runConcurrentBlocks(queue, count, sum); };
    auto bare = [&] { runBarePoolBlocks(pool, count, sum); };
    auto more = ostrel::bench::ratiosInTurns(10, ostrel::bench::processCpuSeconds, queued, bare);
    cpu.insert(cpu.end(), more.begin(), more.end());
    more = ostrel::bench::ratiosInTurns(10, ostrel::bench::wallSeconds, queued, bare);
    wall.insert(wall.end(), more.begin(), more.end());
  }
  state.counters["queue/pool"] = ostrel::bench::median(cpu);
  state.counters["queue/pool_wall"] = ostrel::bench::median(wall);
}
BENCHMARK(ConcurrentQueueBesideBarePoolInTurns)->Arg(10000)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);

// Main thread -> worker queue -> main queue, drained by the main loop: one round trip per iteration.
void MainLoopHop(benchmark::State& state) {
  auto worker = Queue::serial("bench.hop");
  auto main = Queue::main();
  for (auto _ : state) {
    bool back = false;
    worker->async([&] { main->async([&] { back = true; }); });
    MainLoop::runUntil([&] { return back; });
  }
}
BENCHMARK(MainLoopHop)->UseRealTime();

void BareThreadHop(benchmark::State& state) {
  BareQueue worker;
  Signal back;
  for (auto _ : state) {
    worker.post([&] { back.raise(); });
    back.waitAndReset();
  }
}
BENCHMARK(BareThreadHop)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  MainLoop::setMainThread();  // libbenchmark runs single-threaded benchmarks on this thread
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
