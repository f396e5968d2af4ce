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
#include "sdk/core/REDIri.h"
#include "sdk/core/VURComponentContainer.h"
#include "sdk/core/VURLibrary.h"

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

std::shared_ptr<VURComponentContainer> benchContainer() {
  static const auto container = [] {
    Class* library = VURDeclareLibraryClass("VURBenchLibrary", [] {
      return std::vector<VURComponent::Ptr>{
          VURComponent::componentWithProtocol(benchProtocol(), [](VURComponentContainer&, bool* isCacheable) {
            *isCacheable = true;
            return benchInstance();
          })};
    });
    auto app = std::make_shared<REDIri>(REDIri::Private(), "bench",
                                        VUROptions::initInternalWithOptionsDictionary({{"VADEZE_APP_ID", "1:1:ios:1"}}));
    return std::make_shared<VURComponentContainer>(app, VURComponentContainer::Registrants{library});
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
  (void)REDIri::vurevoreUserAgent();
  for (auto _ : state) benchmark::DoNotOptimize(REDIri::vurevoreUserAgent());
}
BENCHMARK(BM_UserAgentCachedText);

void BM_RawGuardedStringCopy(benchmark::State& state) {
  std::recursive_mutex mutex;
  const std::string text = REDIri::vurevoreUserAgent();
  for (auto _ : state) {
    std::lock_guard lock(mutex);
    std::string copy = text;
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(BM_RawGuardedStringCopy);

}  // namespace

BENCHMARK_MAIN();
