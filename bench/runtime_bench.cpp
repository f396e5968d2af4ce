// Runtime dispatch against the C++ virtual call it stands in for. The ratio of the two "per call" times
// is the figure to watch: `send` should stay under three virtual calls.
#include <benchmark/benchmark.h>

#include <memory>

#include "platform/runtime/Send.h"

namespace {

using platform::runtime::Class;
using platform::runtime::Object;
using platform::runtime::Selector;

constexpr Selector<long(long)> kStep{"step:"};

// Two overrides chosen at run time, so the compiler cannot turn the virtual call into a direct one and
// the comparison is with a true indirect call.
struct Stepper {
  virtual ~Stepper() = default;
  virtual long step(long x) = 0;
};

struct AddingStepper : Stepper {
  long step(long x) override { return x + 1; }
};

struct DoublingStepper : Stepper {
  long step(long x) override { return x * 2; }
};

[[gnu::noinline]] std::unique_ptr<Stepper> makeStepper(bool adding) {
  if (adding) return std::make_unique<AddingStepper>();
  return std::make_unique<DoublingStepper>();
}

void BM_VirtualCall(benchmark::State& state) {
  std::unique_ptr<Stepper> stepper = makeStepper(state.max_iterations > 0);
  Stepper* target = stepper.get();
  long x = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(target);  // keeps the compiler from seeing through the call
    x = target->step(x);
  }
  benchmark::DoNotOptimize(x);
}
BENCHMARK(BM_VirtualCall);

std::shared_ptr<Object> makeReceiver() {
  Class* cls = Class::named("BenchStepper");
  if (!cls) {
    cls = Class::allocateClassPair(nullptr, "BenchStepper");
    Class::registerClassPair(cls);
    cls->addMethod(kStep, [](Object&, long x) { return x + 1; });
  }
  return cls->createInstance();
}

void sendInLoop(benchmark::State& state, const std::shared_ptr<Object>& receiver) {
  Object* target = receiver.get();
  long x = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(target);
    x = platform::runtime::send(*target, kStep, x);
  }
  benchmark::DoNotOptimize(x);
}

void BM_RuntimeSend(benchmark::State& state) { sendInLoop(state, makeReceiver()); }
BENCHMARK(BM_RuntimeSend);

// Dispatch to a method found in a superclass three levels up: the cache makes depth free.
void BM_RuntimeSendInherited(benchmark::State& state) {
  auto base = makeReceiver();
  Class* cls = Class::named("BenchStepperDeep");
  if (!cls) {
    Class* parent = base->getClass();
    for (const char* name : {"BenchStepperA", "BenchStepperB", "BenchStepperDeep"}) {
      cls = Class::allocateClassPair(parent, name);
      Class::registerClassPair(cls);
      parent = cls;
    }
  }
  sendInLoop(state, cls->createInstance());
}
BENCHMARK(BM_RuntimeSendInherited);

}  // namespace

BENCHMARK_MAIN();
