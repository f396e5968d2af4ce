// Promise chains and joins on the main queue, each beside the bare main-queue hops that do the same
// work without promises, so the ratio is the promise machinery's own cost.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/dispatch/MainLoop.h"
#include "bench/InTurns.h"
#include "platform/dispatch/Queue.h"
#include "sdk/promises/Promise.h"

namespace {

using platform::dispatch::MainLoop;
using platform::dispatch::Queue;
using platform::foundation::Value;

constexpr int kSteps = 10000;

// A chain of `then` steps, each adding one, made whole and then resolved from the head; false when a
// step was lost.
bool runThenChain(std::int64_t steps) {
  auto head = sdk::promises::Promise::pendingPromise();
  sdk::promises::Promise::Ptr tail = head;
  for (std::int64_t i = 0; i < steps; ++i) tail = tail->then([](const Value& v) { return Value(v.toInt64() + 1); });
  head->fulfill(Value(0));
  return sdk::promises::waitForPromisesWithTimeout(60) && tail->value().toInt64() == steps;
}

// The same steps as bare main-queue hops: each step posts the next.
bool runBareChain(std::int64_t steps) {
  auto main = Queue::main();
  std::int64_t value = 0;
  std::function<void()> step = [&] {
    if (++value < steps) main->async(step);
  };
  main->async(step);
  MainLoop::runUntilIdle();
  return value == steps;
}

// `then` steps (10,000 unless given). The growth run takes the chain from 1,000 to 300,000 steps:
// per-step time should stay flat.
void PromiseThenChain(benchmark::State& state) {
  const std::int64_t steps = state.range(0);
  for (auto _ : state) {
    if (!runThenChain(steps)) state.SkipWithError("chain lost a step");
  }
  state.SetItemsProcessed(state.iterations() * steps);
}
BENCHMARK(PromiseThenChain)->Arg(kSteps)->Unit(benchmark::kMillisecond);
BENCHMARK(PromiseThenChain)->Name("PromiseThenChainGrowth")->Arg(1000)->Arg(10000)->Arg(100000)->Arg(300000)
    ->Unit(benchmark::kMillisecond);

void BareMainQueueChain(benchmark::State& state) {
  const std::int64_t steps = state.range(0);
  for (auto _ : state) {
    if (!runBareChain(steps)) state.SkipWithError("chain lost a step");
  }
  state.SetItemsProcessed(state.iterations() * steps);
}
BENCHMARK(BareMainQueueChain)->Arg(kSteps)->Unit(benchmark::kMillisecond);
BENCHMARK(BareMainQueueChain)->Name("BareMainQueueChainGrowth")->Arg(1000)->Arg(10000)->Arg(100000)->Arg(300000)
    ->Unit(benchmark::kMillisecond);

// The chain beside the bare hops in turns, at lengths well past the caches: "promise/bare" is the median
// of the turns' CPU-time ratios, the promise machinery's cost per step in bare hops.
void PromiseChainBesideBareHopsInTurns(benchmark::State& state) {
  const std::int64_t steps = state.range(0);
  bool lost = false;
  std::vector<double> ratios;
  for (auto _ : state) {
    auto more = ostrel::bench::ratiosInTurns(
        6, ostrel::bench::threadCpuSeconds, [&] { lost |= !runThenChain(steps); }, [&] { lost |= !runBareChain(steps); });
    ratios.insert(ratios.end(), more.begin(), more.end());
  }
  if (lost) state.SkipWithError("chain lost a step");
  state.counters["promise/bare"] = ostrel::bench::median(ratios);
}
BENCHMARK(PromiseChainBesideBareHopsInTurns)->Arg(10000)->Arg(100000)->Arg(300000)->Iterations(2)
    ->Unit(benchmark::kMillisecond);

// `all` over 10,000 promises resolved one by one; false when a value was lost.
bool runAll() {
  std::vector<sdk::promises::Promise::Ptr> promises;
  promises.reserve(kSteps);
  for (int i = 0; i < kSteps; ++i) promises.push_back(sdk::promises::Promise::pendingPromise());
  auto all = sdk::promises::Promise::all(sdk::promises::Promise::arrayOf(promises));
  MainLoop::runUntilIdle();
  for (int i = 0; i < kSteps; ++i) promises[i]->fulfill(Value(i));
  return sdk::promises::waitForPromisesWithTimeout(60) && all->value().size() == static_cast<std::size_t>(kSteps);
}

// The same join as bare hops: 10,000 blocks each storing its value, then one collecting them.
bool runBareJoin() {
  auto main = Queue::main();
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
  return joined.size() == static_cast<std::size_t>(kSteps);
}

void PromiseAll(benchmark::State& state) {
  for (auto _ : state) {
    if (!runAll()) state.SkipWithError("all lost a value");
  }
  state.SetItemsProcessed(state.iterations() * kSteps);
}
BENCHMARK(PromiseAll)->Unit(benchmark::kMillisecond);

void BareMainQueueJoin(benchmark::State& state) {
  for (auto _ : state) {
    if (!runBareJoin()) state.SkipWithError("join lost a value");
  }
  state.SetItemsProcessed(state.iterations() * kSteps);
}
BENCHMARK(BareMainQueueJoin)->Unit(benchmark::kMillisecond);

// `all` beside the bare join in turns: "all/bare" is the median of the turns' CPU-time ratios.
void PromiseAllBesideBareJoinInTurns(benchmark::State& state) {
  bool lost = false;
  std::vector<double> ratios;
  for (auto _ : state) {
    auto more = ostrel::bench::ratiosInTurns(
        20, ostrel::bench::threadCpuSeconds, [&] { lost |= !runAll(); }, [&] { lost |= !runBareJoin(); });
    ratios.insert(ratios.end(), more.begin(), more.end());
  }
  if (lost) state.SkipWithError("all lost a value");
  state.counters["all/bare"] = ostrel::bench::median(ratios);
}
BENCHMARK(PromiseAllBesideBareJoinInTurns)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
