// Keychain item writes and reads, and user-defaults writes with the write-behind, each beside the raw
// work underneath (an atomic file replace, a file read, an in-memory map write) in the same run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <string>

#include "bench/BenchContainer.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/PreferencesDomain.h"
#include "platform/security/Keychain.h"
#include "sdk/utilities/KeychainUtils.h"
#include "sdk/utilities/UserDefaultsStore.h"

namespace {

using platform::foundation::Data;
using platform::foundation::Dictionary;
using platform::foundation::Value;
using platform::security::Keychain;

using ostrel::bench::container;

Dictionary itemQuery(int index) {
  return {{Keychain::kClass, Value(Keychain::kClassGenericPassword)},
          {Keychain::kService, Value("com.example.bench")},
          {Keychain::kAccount, Value("account-" + std::to_string(index))}};
}

const Data kSecret(256, 0x5a);

void BM_KeychainSetItem(benchmark::State& state) {
  container();
  int index = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(sdk::utilities::KeychainUtils::setItem(kSecret, itemQuery(index++ % 16)).ok());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_KeychainSetItem);

// The floor under every keychain write: one durable atomic file replace of the same size.
void BM_RawAtomicWrite(benchmark::State& state) {
  std::string folder = container().path + "/raw";
  std::filesystem::create_directories(folder);
  int index = 0;
  for (auto _ : state) {
    std::string path = folder + "/" + std::to_string(index++ % 16);
    benchmark::DoNotOptimize(
        platform::foundation::AtomicFile::writeAtomically(path, kSecret.data(), kSecret.size(), 0600).ok());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RawAtomicWrite);

void BM_KeychainGetItem(benchmark::State& state) {
  container();
  for (int i = 0; i < 16; ++i) {
    if (!sdk::utilities::KeychainUtils::setItem(kSecret, itemQuery(i)).ok()) {
      state.SkipWithError("cannot store the items to read");
      return;
    }
  }
  int index = 0;
  for (auto _ : state) benchmark::DoNotOptimize(sdk::utilities::KeychainUtils::getItemWithQuery(itemQuery(index++ % 16)).ok());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_KeychainGetItem);

void BM_RawFileRead(benchmark::State& state) {
  std::string path = container().path + "/raw-read";
  if (!platform::foundation::AtomicFile::writeAtomically(path, kSecret.data(), kSecret.size()).ok()) {
    state.SkipWithError("cannot write the file to read");
    return;
  }
  for (auto _ : state) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    benchmark::DoNotOptimize(bytes);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RawFileRead);

// Each write checks its value, updates the domain and restarts the one-second timer.
void BM_UserDefaultsWriteBehind(benchmark::State& state) {
  container();
  sdk::utilities::UserDefaultsStore defaults("com.example.bench");
  std::int64_t i = 0;
  for (auto _ : state) {
    defaults.setInteger(i, "key-" + std::to_string(i % 32));
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UserDefaultsWriteBehind);

void BM_RawMapWrite(benchmark::State& state) {
  std::mutex mutex;
  std::map<std::string, Value> values;
  std::int64_t i = 0;
  for (auto _ : state) {
    std::lock_guard lock(mutex);
    values["key-" + std::to_string(i % 32)] = Value(i);
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RawMapWrite);

}  // namespace

BENCHMARK_MAIN();
