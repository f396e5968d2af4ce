// What the SDK's parts pay to find each other and to label a request: a cached component lookup
// beside a plain mutex-guarded map lookup, and the cached user-agent text beside copying a string of
// the same length.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/runtime/Class.h"
#include "platform/runtime/Protocol.h"
#include "sdk/core/App.h"
#include "sdk/core/ComponentContainer.h"
#include "sdk/core/Library.h"

namespace {

using platform::runtime::Class;
using platform::runtime::Object;
using platform::runtime::Protocol;

const Protocol* benchProtocol() { return Protocol::obtain("VURBenchService"); }

std::shared_ptr<Object> benchInstance() {
  Class* cls = Class::named("VURBenchServiceInstance");
  if (!cls) {
    cls = Class::allocateClassPair(Class::root(), "VURBenchServiceInstance");
    cls->addProtocol(const_cast<Protocol*>(benchProtocol()));
    Class::registerClassPair(cls);
  }
  return cls->createInstance();
}

std::shared_ptr<sdk::core::ComponentContainer> benchContainer() {
  static const auto container = [] {
    Class* library = sdk::core::declareLibraryClass("VURBenchLibrary", [] {
      return std::vector<sdk::core::Component::Ptr>{
          sdk::core::Component::componentWithProtocol(benchProtocol(), [](sdk::core::ComponentContainer&, bool* isCacheable) {
            *isCacheable = true;
            return benchInstance();
          })};
    });
    auto app = std::make_shared<sdk::core::App>(sdk::core::App::Private(), "bench",
                                        sdk::core::AppOptions::initInternalWithOptionsDictionary({{"VADEZE_APP_ID", "1:1:ios:1"}}));
    return std::make_shared<sdk::core::ComponentContainer>(app, sdk::core::ComponentContainer::Registrants{library});
  }();
  return container;
}

void BM_ContainerCachedLookup(benchmark::State& state) {
  auto container = benchContainer();
  const Protocol* protocol = benchProtocol();
  for (auto _ : state) benchmark::DoNotOptimize(container->instanceForProtocol(protocol));
}
BENCHMARK(BM_ContainerCachedLookup);

void BM_RawGuardedMapLookup(benchmark::State& state) {
  std::recursive_mutex mutex;
  std::map<std::string, std::shared_ptr<Object>> instances{{benchProtocol()->name(), benchInstance()}};
  const std::string& name = benchProtocol()->name();
  for (auto _ : state) {
    std::lock_guard lock(mutex);
    benchmark::DoNotOptimize(instances.find(name)->second);
  }
}
BENCHMARK(BM_RawGuardedMapLookup);

void BM_UserAgentCachedText(benchmark::State& state) {
  (void)sdk::core::App::userAgentString();
  for (auto _ : state) benchmark::DoNotOptimize(sdk::core::App::userAgentString());
}
BENCHMARK(BM_UserAgentCachedText);

void BM_RawGuardedStringCopy(benchmark::State& state) {
  std::recursive_mutex mutex;
  const std::string text = sdk::core::App::userAgentString();
  for (auto _ : state) {
    std::lock_guard lock(mutex);
    std::string copy = text;
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(BM_RawGuardedStringCopy);

}  // namespace

BENCHMARK_MAIN();
