// Lens match, package arithmetic and the f-stop text run on every scroll step of the main screen. Each is
// measured beside the same work written out by hand on plain floats and C strings, so the ratio shows
// what the package model costs.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <string>
#include <utility>

#include "app/model/CameraPackage.h"
#include "app/optics/FStopMatrix.h"
#include "app/optics/LensMatchCalc.h"

namespace {

app::model::CameraPackage package(float width, float height, float lensSqueeze, std::string crop) {
  app::model::CameraPackage p;
  app::model::CameraShootingMode mode;
  mode.width = width;
  mode.height = height;
  mode.anamorphotic = 1.0f;
  mode.aspectRatio = "1.33:1";
  p.shootingMode = mode;
  p.lensManufacturer = app::model::LensManufacturer(5, "Halden", "Primes", "Prime Lens", 1, lensSqueeze, 0);
  app::model::LensAdapterRecord none;
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
  app::model::CameraPackage p = package(24.89f, 18.66f, 2.0f, "2.39:1");
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

// The same by hand for the height.
float rawSimulationHeight(float wm, float hm, float squeeze, float aw, float ah, float r) {
  float t = aw == ah ? squeeze : squeeze * (1.0f / aw);
  float a = (wm / hm) * t;
  float w = aw == ah ? wm * (1.0f / aw) : wm;
  float h = aw == ah ? hm * (1.0f / ah) : hm;
  return r > a ? (w * t) / r : h;
}

void BM_LensMatchHorizontal(benchmark::State& state) {
  app::model::CameraPackage source = package(24.89f, 18.66f, 1.0f, "");
  app::model::CameraPackage target = package(36.0f, 24.0f, 1.0f, "");
  float f = 50.0f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f);
    benchmark::DoNotOptimize(app::optics::LensMatchCalc::horMatchWithPackageSource(source, f, target));
  }
}
BENCHMARK(BM_LensMatchHorizontal);

void BM_LensMatchAperture(benchmark::State& state) {
  app::model::CameraPackage source = package(24.89f, 18.66f, 2.0f, "2.39:1");
  app::model::CameraPackage target = package(36.0f, 24.0f, 1.0f, "");
  float f = 50.0f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f);
    benchmark::DoNotOptimize(app::optics::LensMatchCalc::horApertureMatchWithPackageSource(source, f, 2.8f, target, 1500));
  }
}
BENCHMARK(BM_LensMatchAperture);

// The baseline: the same match on plain floats, the crop ratio pre-parsed: both formats' simulated and
// extraction sizes, both circles of confusion, the source's hyperfocal distance and the target's stop.
struct RawFormat {
  float width, height, squeeze, adapterWidth, adapterHeight, crop;  // crop: INFINITY for none
};

float rawApertureMatch(const RawFormat& s, const RawFormat& t, float f, float n, float k) {
  const auto simulated = [](const RawFormat& p) {
    return std::pair{rawSimulationWidth(p.width, p.height, p.squeeze, p.adapterWidth, p.adapterHeight, p.crop),
                     rawSimulationHeight(p.width, p.height, p.squeeze, p.adapterWidth, p.adapterHeight,
                                         std::isinf(p.crop) ? 0.0f : p.crop)};
  };
  const auto [sw, sh] = simulated(s);
  const auto [tw, th] = simulated(t);
  const float f2 = (tw * f) / sw;
  const float cS = std::sqrt((sw / s.squeeze) * (sw / s.squeeze) + sh * sh) / k;
  const float cT = std::sqrt((tw / t.squeeze) * (tw / t.squeeze) + th * th) / k;
  const float hyperfocal = (f * f / (cS * n) + f) / 1000.0f;
  return -(f2 * f2) / (cT * f2 - cT * 1000.0f * hyperfocal);
}

void BM_RawLensMatchAperture(benchmark::State& state) {
  RawFormat source{24.89f, 18.66f, 2.0f, 1.0f, 1.0f, 2.39f}, target{36.0f, 24.0f, 1.0f, 1.0f, 1.0f, INFINITY};
  float f = 50.0f, n = 2.8f, k = 1500.0f;
  const double ours = app::optics::LensMatchCalc::horApertureMatchWithPackageSource(
      package(24.89f, 18.66f, 2.0f, "2.39:1"), f, n, package(36.0f, 24.0f, 1.0f, ""), 1500);
  const float raw = rawApertureMatch(source, target, f, n, k);
  if (std::fabs(raw - ours) > 1e-3 * std::fabs(ours)) state.SkipWithError("not the same match");
  for (auto _ : state) {
    benchmark::DoNotOptimize(f);
    benchmark::DoNotOptimize(source);
    benchmark::DoNotOptimize(target);
    benchmark::DoNotOptimize(rawApertureMatch(source, target, f, n, k));
  }
}
BENCHMARK(BM_RawLensMatchAperture);

void BM_RawLensMatchHorizontal(benchmark::State& state) {
  float sourceWidth = 24.89f, targetWidth = 36.0f, f = 50.0f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f);
    benchmark::DoNotOptimize((targetWidth * f) / sourceWidth);
  }
}
BENCHMARK(BM_RawLensMatchHorizontal);

void BM_FStopText(benchmark::State& state) {
  app::optics::FStopMatrix matrix;
  double n = 6.35;
  for (auto _ : state) {
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(matrix.getFResultString(n));
  }
}
BENCHMARK(BM_FStopText);

// The baseline: the same text by hand, the nearest third or half stop taken from a table of C strings
// and copied into one buffer.
std::string rawFStopText(double n) {
  static const char* const kStops[] = {"0.7", "1", "1.4", "2", "2.8", "4", "5.6", "8",
                                       "11", "16", "22", "32", "45", "64", "90"};
  static const char* const kFractions[] = {"", " \u2153", " \u00BD", " \u2154"};
  static const double kSteps[] = {0, 1.0 / 3, 0.5, 2.0 / 3, 1};
  if (!(n > 0)) return "< f 0.7";
  const double t = std::log2(n) * 2;
  if (t <= -1) return "< f 0.7";
  if (t >= 14) return "> f 90";
  const int i = static_cast<int>(t);
  int best = 0;
  for (int c = 1; c < 5; ++c) {
    if (std::fabs(i + kSteps[c] - t) < std::fabs(i + kSteps[best] - t)) best = c;
  }
  if (best == 4 && i + 2 >= 15) return "> f 90";
  char text[24] = "f ";
  size_t length = 2;
  const auto put = [&](const char* part) {
    const size_t n = std::strlen(part);
    std::memcpy(text + length, part, n);
    length += n;
  };
  put(kStops[best == 4 ? i + 2 : i + 1]);
  if (best != 4) put(kFractions[best]);
  return std::string(text, length);
}

void BM_RawFStopText(benchmark::State& state) {
  double n = 6.35;
  for (double stop : {0.5, 0.75, 1.19, 2.9, 6.35, 7.6, 64.0, 100.0}) {
    if (rawFStopText(stop) != app::optics::FStopMatrix().getFResultString(stop)) state.SkipWithError("not the same text");
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(rawFStopText(n));
  }
}
BENCHMARK(BM_RawFStopText);

}  // namespace

BENCHMARK_MAIN();
