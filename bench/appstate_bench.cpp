// Start-up beside its floor: a cold first start (seeding the four catalogues, making the start
// packages, the first catalogue migration and the first save) and a warm start (reading the
// preference file, loading both standard packages and saving), each next to plain copying of the
// four catalogue files from the bundle into the Library folder. Report the ratio "Ours" / "Copy".
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/state/FramesObject.h"
#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Paths.h"
#include "platform/log/Log.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kCatalogues[] = {app::storage::CameraFormatCatalogue::kFileName, app::storage::LensDatabaseHelper::kFileName,
                                       app::storage::LensAdapterCatalogue::kFileName, app::storage::PackageDatabaseHelper::kFileName};

struct Environment {
  Environment() {
    char folder[] = "/tmp/ostrel-appstate-bench-XXXXXX";
    root = mkdtemp(folder);
    platform::foundation::Paths::setRoot(root);
    const auto exe = fs::read_symlink("/proc/self/exe").parent_path();
    bundle = (exe.parent_path() / "cmd/ostrel/bundle").string();
    platform::foundation::Bundle::setMainPath(bundle);
    platform::log::setSink([](const platform::log::Line&) {});
  }
  ~Environment() { fs::remove_all(root); }

  // The container as a new installation finds it.
  void empty() const {
    fs::remove_all(root);
    fs::create_directories(root);
  }
  void copyCatalogues() const {
    const std::string library = platform::foundation::Paths::library();
    for (const char* name : kCatalogues) {
      fs::copy_file(bundle + "/" + name, library + "/" + name, fs::copy_options::overwrite_existing);
    }
  }

  std::string root;
  std::string bundle;
};

Environment& environment() {
  static Environment instance;
  return instance;
}

// Without the built catalogues a start measures nothing but fallbacks.
bool haveCatalogues(benchmark::State& state) {
  for (const char* name : kCatalogues) {
    if (!fs::exists(environment().bundle + "/" + name)) {
      state.SkipWithError("the bundle has no catalogues: build the `catalogues` target first");
      return false;
    }
  }
  return true;
}

void BM_ColdFirstStart_Ours(benchmark::State& state) {
  auto& env = environment();
  if (!haveCatalogues(state)) return;
  for (auto _ : state) {
    state.PauseTiming();
    env.empty();
    state.ResumeTiming();
    app::state::FramesObject().loadPrefs();
  }
}

void BM_ColdFirstStart_Copy(benchmark::State& state) {
  auto& env = environment();
  if (!haveCatalogues(state)) return;
  for (auto _ : state) {
    state.PauseTiming();
    env.empty();
    state.ResumeTiming();
    env.copyCatalogues();
  }
}

void BM_WarmStart_Ours(benchmark::State& state) {
  auto& env = environment();
  if (!haveCatalogues(state)) return;
  env.empty();
  app::state::FramesObject().loadPrefs();
  for (auto _ : state) app::state::FramesObject().loadPrefs();
}

void BM_WarmStart_Copy(benchmark::State& state) {
  auto& env = environment();
  if (!haveCatalogues(state)) return;
  env.empty();
  for (auto _ : state) env.copyCatalogues();
}

}  // namespace

BENCHMARK(BM_ColdFirstStart_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColdFirstStart_Copy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WarmStart_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WarmStart_Copy)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
