// Promise chains and joins on the main queue, each beside the bare main-queue hops that do the same
// work without promises, so the ratio is the promise machinery's own cost.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/Queue.h"
#include "sdk/promises/Promise.h"

namespace {

using platform::dispatch::MainLoop;
using platform::dispatch::Queue;
using platform::foundation::Value;

constexpr int kSteps = 10000;

// `then` steps (10,000 unless given), each adding one, resolved from the head. The growth run takes the
// chain from 1,000 to 300,000 steps: per-step time should stay flat.
void PromiseThenChain(benchmark::State& state) {
  const std::int64_t steps = state.range(0);
  for (auto _ : state) {
    auto head = sdk::promises::Promise::pendingPromise();
    sdk::promises::Promise::Ptr tail = head;
    for (std::int64_t i = 0; i < steps; ++i) tail = tail->then([](const Value& v) { return Value(v.toInt64() + 1); });
    head->fulfill(Value(0));
    if (!sdk::promises::waitForPromisesWithTimeout(60) || tail->value().toInt64() != steps) {
      state.SkipWithError("chain lost a step");
    }
  }
  state.SetItemsProcessed(state.iterations() * steps);
}
BENCHMARK(PromiseThenChain)->Arg(kSteps)->Unit(benchmark::kMillisecond);
BENCHMARK(PromiseThenChain)->Name("PromiseThenChainGrowth")->Arg(1000)->Arg(10000)->Arg(100000)->Arg(300000)
    ->Unit(benchmark::kMillisecond);

// The same steps as bare main-queue hops: each step posts the next.
void BareMainQueueChain(benchmark::State& state) {
  const std::int64_t steps = state.range(0);
  auto main = Queue::main();
  for (auto _ : state) {
    std::int64_t value = 0;
    std::function<void()> step = [&] {
      if (++value < steps) main->async(step);
    };
    main->async(step);
    MainLoop::runUntilIdle();
    if (value != steps) state.SkipWithError("chain lost a step");
  }
  state.SetItemsProcessed(state.iterations() * steps);
}
BENCHMARK(BareMainQueueChain)->Arg(kSteps)->Unit(benchmark::kMillisecond);
BENCHMARK(BareMainQueueChain)->Name("BareMainQueueChainGrowth")->Arg(1000)->Arg(10000)->Arg(100000)->Arg(300000)
    ->Unit(benchmark::kMillisecond);

// `all` over 10,000 promises resolved one by one.
void PromiseAll(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<sdk::promises::Promise::Ptr> promises;
    promises.reserve(kSteps);
    for (int i = 0; i < kSteps; ++i) promises.push_back(sdk::promises::Promise::pendingPromise());
    auto all = sdk::promises::Promise::all(sdk::promises::Promise::arrayOf(promises));
    MainLoop::runUntilIdle();
    for (int i = 0; i < kSteps; ++i) promises[i]->fulfill(Value(i));
    if (!sdk::promises::waitForPromisesWithTimeout(60) || all->value().size() != static_cast<std::size_t>(kSteps)) {
      state.SkipWithError("all lost a value");
    }
  }
  state.SetItemsProcessed(state.iterations() * kSteps);
}
BENCHMARK(PromiseAll)->Unit(benchmark::kMillisecond);

// The same join as bare hops: 10,000 blocks each storing its value, then one collecting them.
void BareMainQueueJoin(benchmark::State& state) {
  auto main = Queue::main();
  for (auto _ : state) {
    std::vector<Value> values(kSteps);
    int remaining = kSteps;
    std::vector<Value> joined;
    for (int i = 0; i < kSteps; ++i) {
      main->async([&, i] {
        values[i] = Value(i);
        if (--remaining == 0) joined = values;
      });
    }
    MainLoop::runUntilIdle();
    if (joined.size() != static_cast<std::size_t>(kSteps)) state.SkipWithError("join lost a value");
  }
  state.SetItemsProcessed(state.iterations() * kSteps);
}
BENCHMARK(BareMainQueueJoin)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
