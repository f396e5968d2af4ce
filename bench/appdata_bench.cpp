// Lens match and package arithmetic run on every scroll step of the main screen. Each is measured beside
// the same formula written out by hand on plain floats, so the ratio shows what the package model costs.
#include <benchmark/benchmark.h>

#include "app/model/QuorvelPackage.h"
#include "app/optics/FStopMatrix.h"
#include "app/optics/LensMatchCalc.h"

namespace {

QuorvelPackage package(float width, float height, float lensSqueeze, std::string crop) {
  QuorvelPackage p;
  CameraShootingMode mode;
  mode.width = width;
  mode.height = height;
  mode.anamorphotic = 1.0f;
  mode.aspectRatio = "1.33:1";
  p.shootingMode = mode;
  p.lensManufacturer = LensManufacturer(5, "Halden", "Primes", "Prime Lens", 1, lensSqueeze, 0);
  QuorvelLensAdapter none;
  none.adapterValueWidth = none.adapterValueHeight = 1.0f;
  p.lensAdapter = none;
  p.cropID = crop.empty() ? 1 : 3;
  p.formatType = crop.empty() ? "native" : "crop";
  p.cropAspectRatio = crop;
  return p;
}

// The simulation width of a cropped anamorphic package, by hand: no optional parts, crop ratio pre-parsed.
float rawSimulationWidth(float wm, float hm, float squeeze, float aw, float ah, float r) {
  float t = aw == ah ? squeeze : squeeze * (1.0f / aw);
  float a = (wm / hm) * t;
  float w = aw == ah ? wm * (1.0f / aw) : wm;
  float h = aw == ah ? hm * (1.0f / ah) : hm;
  return r < a ? h * r : w * t;
}

void BM_PackageSimulationWidth(benchmark::State& state) {
  QuorvelPackage p = package(24.89f, 18.66f, 2.0f, "2.39:1");
  for (auto _ : state) {
    benchmark::DoNotOptimize(p);
    benchmark::DoNotOptimize(p.getFinalSimulationFormatWidth());
  }
}
BENCHMARK(BM_PackageSimulationWidth);

void BM_RawSimulationWidth(benchmark::State& state) {
  float wm = 24.89f, hm = 18.66f, squeeze = 2.0f, aw = 1.0f, ah = 1.0f, r = 2.39f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(wm);
    benchmark::DoNotOptimize(rawSimulationWidth(wm, hm, squeeze, aw, ah, r));
  }
}
BENCHMARK(BM_RawSimulationWidth);

void BM_LensMatchHorizontal(benchmark::State& state) {
  QuorvelPackage source = package(24.89f, 18.66f, 1.0f, "");
  QuorvelPackage target = package(36.0f, 24.0f, 1.0f, "");
  float f = 50.0f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f);
    benchmark::DoNotOptimize(LensMatchCalc::horMatchWithPackageSource(source, f, target));
  }
}
BENCHMARK(BM_LensMatchHorizontal);

void BM_LensMatchAperture(benchmark::State& state) {
  QuorvelPackage source = package(24.89f, 18.66f, 2.0f, "2.39:1");
  QuorvelPackage target = package(36.0f, 24.0f, 1.0f, "");
  float f = 50.0f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f);
    benchmark::DoNotOptimize(LensMatchCalc::horApertureMatchWithPackageSource(source, f, 2.8f, target, 1500));
  }
}
BENCHMARK(BM_LensMatchAperture);

void BM_RawLensMatchHorizontal(benchmark::State& state) {
  float sourceWidth = 24.89f, targetWidth = 36.0f, f = 50.0f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f);
    benchmark::DoNotOptimize((targetWidth * f) / sourceWidth);
  }
}
BENCHMARK(BM_RawLensMatchHorizontal);

void BM_FStopText(benchmark::State& state) {
  FStopMatrix matrix;
  double n = 6.35;
  for (auto _ : state) {
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(matrix.getFResultString(n));
  }
}
BENCHMARK(BM_FStopText);

}  // namespace

BENCHMARK_MAIN();
