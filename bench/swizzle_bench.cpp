// What delegate interception and method replacement add to a message. Each pair runs the same message
// with and without our layer: a proxied application delegate against the plain runtime send to an
// unproxied one, and a replaced method that calls what it replaced against the method alone.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/runtime/Send.h"
#include "platform/ui/Application.h"
#include "sdk/interception/AppDelegateSwizzler.h"
#include "sdk/interception/MethodSwizzler.h"

namespace {

using platform::foundation::Value;
using platform::runtime::Class;
using platform::runtime::Object;
using platform::ui::Application;
using platform::ui::kApplicationOpenURLOptions;

class BenchDelegate : public Object {
 public:
  static constexpr platform::runtime::NativeClass<Object> kRuntimeClass{"SwizzleBenchDelegate"};
  BenchDelegate() : Object(platform::runtime::classOf<BenchDelegate>()) {}
};

class BenchInterceptor : public Object {
 public:
  static constexpr platform::runtime::NativeClass<Object> kRuntimeClass{"SwizzleBenchInterceptor"};
  BenchInterceptor() : Object(platform::runtime::classOf<BenchInterceptor>()) {}
};

void prepareClasses() {
  static bool done = [] {
    for (Class* cls : {platform::runtime::classOf<BenchDelegate>(), platform::runtime::classOf<BenchInterceptor>()}) {
      cls->addProtocol(const_cast<platform::runtime::Protocol*>(platform::ui::applicationDelegateProtocol()));
      cls->addMethod(kApplicationOpenURLOptions,
                     [](Object&, Application&, const std::string& url, const Value&) { return url.size() > 3; });
    }
    return true;
  }();
  (void)done;
}

void BM_PlainDelegateOpenURL(benchmark::State& state) {
  prepareClasses();
  auto app = Application::sharedApplication();
  auto delegate = std::make_shared<BenchDelegate>();
  const std::string url = "ostrel://bench";
  for (auto _ : state) {
    benchmark::DoNotOptimize(platform::runtime::send(*delegate, kApplicationOpenURLOptions, *app, url, Value()));
  }
}
BENCHMARK(BM_PlainDelegateOpenURL);

// Argument: the number of registered interceptors.
void BM_ProxiedDelegateOpenURL(benchmark::State& state) {
  prepareClasses();
  auto app = Application::sharedApplication();
  auto delegate = std::make_shared<BenchDelegate>();
  app->setDelegate(delegate);
  sdk::interception::AppDelegateSwizzler::resetProxyOriginalDelegateOnceToken();
  sdk::interception::AppDelegateSwizzler::proxyOriginalDelegate();
  std::vector<std::shared_ptr<BenchInterceptor>> interceptors;
  for (int64_t i = 0; i < state.range(0); ++i) {
    interceptors.push_back(std::make_shared<BenchInterceptor>());
    sdk::interception::AppDelegateSwizzler::registerAppDelegateInterceptor(interceptors.back());
  }
  const std::string url = "ostrel://bench";
  for (auto _ : state) {
    benchmark::DoNotOptimize(platform::runtime::send(*delegate, kApplicationOpenURLOptions, *app, url, Value()));
  }
  sdk::interception::AppDelegateSwizzler::clearInterceptors();
  app->setDelegate(nullptr);
}
BENCHMARK(BM_ProxiedDelegateOpenURL)->Arg(0)->Arg(2);

constexpr platform::runtime::Selector<long(long)> kStep{"step:"};

Class* stepperClass(const char* name) {
  Class* cls = Class::allocateClassPair(nullptr, name);
  cls->addMethod(kStep, [](Object&, long x) { return x + 1; });
  Class::registerClassPair(cls);
  return cls;
}

void BM_Method(benchmark::State& state) {
  static Class* const cls = stepperClass("SwizzleBenchPlainStepper");
  auto object = cls->createInstance();
  long x = 0;
  for (auto _ : state) benchmark::DoNotOptimize(x = platform::runtime::send(*object, kStep, x));
}
BENCHMARK(BM_Method);

void BM_ReplacedMethodCallingThePrevious(benchmark::State& state) {
  static Class* const cls = [] {
    Class* c = stepperClass("SwizzleBenchWrappedStepper");
    auto previous = sdk::interception::MethodSwizzler::currentImplementationForClass(c, kStep.name, false);
    const bool replaced = sdk::interception::MethodSwizzler::swizzleClass(c, kStep, false, [previous](Object& self, long x) {
      return platform::runtime::callImplementation(previous, self, kStep, x);
    });
    if (!replaced) std::abort();  // the figures would time the unreplaced method
    return c;
  }();
  auto object = cls->createInstance();
  long x = 0;
  for (auto _ : state) benchmark::DoNotOptimize(x = platform::runtime::send(*object, kStep, x));
}
BENCHMARK(BM_ReplacedMethodCallingThePrevious);

}  // namespace

BENCHMARK_MAIN();
