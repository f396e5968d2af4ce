// The theme's colour lookup, which a screen makes hundreds of times while it builds, beside the same
// colours picked by a flag held in memory. A third line reads the flag from the preference file each
// time, as every lookup once did, to show what keeping the saved flag saves.
#include <benchmark/benchmark.h>

#include "app/kit/UIConstants.h"
#include "app/state/FramesObject.h"
#include "app/state/SavedThemeFlag.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/PropertyList.h"
#include "testing/TempContainer.h"

namespace {

using platform::foundation::PropertyList;
using platform::graphics::Color;

// A container whose preference file holds the dark theme, as the settings page leaves it.
struct DarkContainer {
  DarkContainer() {
    PropertyList::writeFile(app::state::FramesObject::preferencePath(),
                            platform::foundation::Value(platform::foundation::Dictionary{{"SETTINGS_APPINDARKMODE", true}}),
                            PropertyList::Format::Xml);
    app::state::SavedThemeFlag::fileChanged();
  }
  ostrel::testing::TempContainer container;
};

// Four lookups: three themed colours and one that passes through another themed colour.
void BM_ThemedColours(benchmark::State& state) {
  DarkContainer dark;
  for (auto _ : state) {
    benchmark::DoNotOptimize(app::kit::UIConstants::primaryBG());
    benchmark::DoNotOptimize(app::kit::UIConstants::alertBGColor());
    benchmark::DoNotOptimize(app::kit::UIConstants::maxContrastText());
    benchmark::DoNotOptimize(app::kit::UIConstants::textFieldBG());
  }
  state.SetItemsProcessed(state.iterations() * 4);
}
BENCHMARK(BM_ThemedColours);

// The baseline: the same four colours from a flag in memory.
void BM_RawThemedColours(benchmark::State& state) {
  bool dark = true;
  for (auto _ : state) {
    benchmark::DoNotOptimize(dark);
    benchmark::DoNotOptimize(dark ? Color::fromBytes(36, 37, 38) : Color::fromBytes(253, 253, 253));
    benchmark::DoNotOptimize(dark ? Color::fromBytes(51, 53, 54) : Color::fromBytes(253, 253, 253));
    benchmark::DoNotOptimize(dark ? Color::whiteColor() : Color::blackColor());
    benchmark::DoNotOptimize(dark ? Color::fromBytes(31, 32, 34) : Color::fromBytes(255, 255, 255));
  }
  state.SetItemsProcessed(state.iterations() * 4);
}
BENCHMARK(BM_RawThemedColours);

// The flag read from the preference file for each of the four lookups (five reads: one colour reads it
// twice), as every lookup did before the saved flag was kept.
void BM_ThemeFlagReadFromTheFile(benchmark::State& state) {
  DarkContainer dark;
  const std::string path = app::state::FramesObject::preferencePath();
  for (auto _ : state) {
    for (int read = 0; read < 5; ++read) {
      const bool there = platform::foundation::AtomicFile::fileExists(path);
      benchmark::DoNotOptimize(there && PropertyList::readFile(path)["SETTINGS_APPINDARKMODE"].toBool());
    }
  }
  state.SetItemsProcessed(state.iterations() * 4);
}
BENCHMARK(BM_ThemeFlagReadFromTheFile);

}  // namespace

BENCHMARK_MAIN();
