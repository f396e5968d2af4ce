// The log path beside a bare formatted write, in the same run:
//
//   Kept lines: a warning through platform::log to the program's log file (and to the system log,
//               or past it when none runs), beside the same text formatted with snprintf and
//               appended with one write(2) to a file of its own.
//   Lines below the level: an analytics debug line with a context, an SDK debug line with a format
//               argument and a platform debug line, each while debug output is off, beside a bare
//               test of the same level against a threshold.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Value.h"
#include "platform/log/Log.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/utilities/Logger.h"
#include "testing/TempContainer.h"

namespace {

constexpr const char* kFacility = "com.vadeze.vmp.measurement";
constexpr const char* kMessage = "[Analytics][A023050] Unable to process conditional user property. Event name, origin";

void BM_LogKeptLineToFile(benchmark::State& state) {
  ostrel::testing::TempContainer container;
  const std::string path = container.pathFor("ostrel.log");
  platform::log::appendToFile(platform::foundation::AtomicFile::openForAppending(path).valueOr(-1), path, 0,
                              platform::log::Warning);
  long i = 0;
  for (auto _ : state) platform::log::write(platform::log::Warning, kFacility, kMessage + std::to_string(++i));
  platform::log::closeFile();
  state.SetItemsProcessed(state.iterations());
}

void BM_BareFormattedWriteToFile(benchmark::State& state) {
  ostrel::testing::TempContainer container;
  const int fd = ::open(container.pathFor("bare.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  long i = 0;
  for (auto _ : state) {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    char date[32] = "";
    if (gmtime_r(&now, &tm)) std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &tm);
    char line[256];
    int length = std::snprintf(line, sizeof line, "%s warning %s: %s%ld\n", date, kFacility, kMessage, ++i);
    benchmark::DoNotOptimize(::write(fd, line, static_cast<std::size_t>(length)));
  }
  ::close(fd);
  state.SetItemsProcessed(state.iterations());
}

void BM_AnalyticsDebugLineWhileOff(benchmark::State& state) {
  sdk::analytics::Monitor monitor(1, {});
  const platform::foundation::Value context("level_up");
  for (auto _ : state) monitor.logWithLevel(sdk::analytics::LogLevel::kDebug, 23072, "Event logged. Event name, event params", context);
  state.SetItemsProcessed(state.iterations());
}

void BM_SdkDebugLineWhileOff(benchmark::State& state) {
  sdk::utilities::initializeLogger();
  long i = 0;
  for (auto _ : state) sdk::utilities::logDebug("[VadezeUtilities/Bench]", false, "I-VDU000001", "Value %ld", ++i);
  state.SetItemsProcessed(state.iterations());
}

void BM_PlatformDebugLineWhileOff(benchmark::State& state) {
  const int mask = platform::log::levelMask();
  platform::log::setLevelMask(platform::log::maskUpTo(platform::log::Info));
  for (auto _ : state) platform::log::write(platform::log::Debug, kFacility, kMessage);
  platform::log::setLevelMask(mask);
  state.SetItemsProcessed(state.iterations());
}

void BM_BareLevelTest(benchmark::State& state) {
  int threshold = platform::log::Info;
  benchmark::DoNotOptimize(threshold);
  long written = 0;
  for (auto _ : state) {
    int level = platform::log::Debug;
    benchmark::DoNotOptimize(level);
    if (level <= threshold) ++written;
  }
  benchmark::DoNotOptimize(written);
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_LogKeptLineToFile);
BENCHMARK(BM_BareFormattedWriteToFile);
BENCHMARK(BM_AnalyticsDebugLineWhileOff);
BENCHMARK(BM_SdkDebugLineWhileOff);
BENCHMARK(BM_PlatformDebugLineWhileOff);
BENCHMARK(BM_BareLevelTest);

}  // namespace

BENCHMARK_MAIN();
