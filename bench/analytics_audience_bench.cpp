// 50 audiences of 5 event filters each judged over 10,000 events by the audience filter evaluator,
// beside the same comparisons written as a plain loop over plain structs, in the same run. The
// evaluator is measured twice: on filter messages decoded once, and decoding each stored filter for
// every event as the audience walk does.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "sdk/analytics/foundation/APMEventAggregates.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBAudience.h"
#include "sdk/analytics/rules/APMFilterEvaluator.h"

namespace {

constexpr int kAudiences = 50;
constexpr int kFiltersPerAudience = 5;
constexpr int kEvents = 10000;

struct Event {
  std::int64_t value;
  double price;
  std::string currency;
  std::string item;
  APMParameters parameters;
  APMEventAggregates aggregates{"purchase", 0, 0, 0, 0};
};

std::vector<Event> makeEvents() {
  std::vector<Event> events;
  for (int i = 0; i < kEvents; ++i) {
    Event e{i % 100, (i % 37) * 1.5, i % 3 ? "EUR" : "usd", i % 2 ? "Shoe-42" : "hat", {}};
    e.parameters = {{"value", APMValue(e.value)}, {"price", APMValue(e.price)}, {"currency", APMValue(e.currency)},
                    {"item", APMValue(e.item)}};
    e.aggregates = APMEventAggregates("purchase", i, 0, i % 7, 0);
    events.push_back(std::move(e));
  }
  return events;
}

// Filter k of an audience: 0 value > t, 1 currency equals "eur" (any case), 2 price between t and
// t + 20, 3 event count > t, 4 item begins with "shoe" (any case).
struct PlainFilter {
  int kind;
  std::int64_t threshold;
};

std::shared_ptr<APMPBEventFilter> layerFilter(const PlainFilter& plain) {
  auto filter = APMPBEventFilter::make();
  APMNanoSetInt32(*filter, 0, plain.kind);
  APMNanoSetString(*filter, 1, "purchase");
  auto number = [](std::uint64_t type, std::optional<std::string> value, std::optional<std::string> min = {},
                   std::optional<std::string> max = {}) {
    auto n = APMPBNumberFilter::make();
    APMNanoSetInt64(*n, 0, static_cast<std::int64_t>(type));
    APMNanoSetString(*n, 2, value);
    APMNanoSetString(*n, 3, min);
    APMNanoSetString(*n, 4, max);
    return n;
  };
  auto string = [](std::uint64_t type, const std::string& expression) {
    auto s = APMPBStringFilter::make();
    APMNanoSetInt64(*s, 0, static_cast<std::int64_t>(type));
    APMNanoSetString(*s, 1, expression);
    return s;
  };
  auto parameter = [&](const APMNanoMessage& inner, const std::string& name) {
    auto f = APMPBFilter::make();
    APMNanoSetMessage(*f, &inner.descriptor() == &APMPBNumberFilter::descriptor() ? 1 : 0, &inner);
    APMNanoSetString(*f, 3, name);
    APMNanoAddMessage(*filter, 2, *f);
  };
  std::string t = std::to_string(plain.threshold);
  switch (plain.kind) {
    case 0: parameter(*number(2, t), "value"); break;
    case 1: parameter(*string(5, "eur"), "currency"); break;
    case 2: parameter(*number(4, std::nullopt, t, std::to_string(plain.threshold + 20)), "price"); break;
    case 3: APMNanoSetMessage(*filter, 4, number(2, t).get()); break;
    default: parameter(*string(2, "shoe"), "item"); break;
  }
  return filter;
}

std::vector<PlainFilter> plainFilters() {
  std::vector<PlainFilter> filters;
  for (int a = 0; a < kAudiences; ++a) {
    for (int k = 0; k < kFiltersPerAudience; ++k) filters.push_back({k, a % 50});
  }
  return filters;
}

bool equalsFolded(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

void BM_PlainLoop(benchmark::State& state) {
  auto events = makeEvents();
  auto filters = plainFilters();
  for (auto _ : state) {
    std::int64_t held = 0;
    for (const Event& e : events) {
      for (const PlainFilter& f : filters) {
        bool result = false;
        switch (f.kind) {
          case 0: result = e.value > f.threshold; break;
          case 1: result = equalsFolded(e.currency, "eur"); break;
          case 2: result = f.threshold <= e.price && e.price <= f.threshold + 20; break;
          case 3: result = e.aggregates.lifetimeCount > f.threshold; break;
          default: result = e.item.size() >= 4 && equalsFolded(e.item.substr(0, 4), "shoe"); break;
        }
        held += result;
      }
    }
    benchmark::DoNotOptimize(held);
  }
  state.SetItemsProcessed(state.iterations() * kEvents * kAudiences * kFiltersPerAudience);
}

void BM_EvaluatorDecodedFilters(benchmark::State& state) {
  auto events = makeEvents();
  std::vector<std::shared_ptr<APMPBEventFilter>> filters;
  for (const auto& plain : plainFilters()) filters.push_back(layerFilter(plain));
  APMMonitor monitor(1, {});
  for (auto _ : state) {
    std::int64_t held = 0;
    for (const Event& e : events) {
      for (const auto& filter : filters) {
        held += sdk::analytics::APMEvaluateEventFilter(filter.get(), "purchase", e.parameters, &e.aggregates,
                                                       monitor) == true;
      }
    }
    benchmark::DoNotOptimize(held);
  }
  state.SetItemsProcessed(state.iterations() * kEvents * kAudiences * kFiltersPerAudience);
}

void BM_EvaluatorStoredFilters(benchmark::State& state) {
  auto events = makeEvents();
  std::vector<platform::foundation::Data> stored;
  for (const auto& plain : plainFilters()) stored.push_back(layerFilter(plain)->protoBuffer());
  APMMonitor monitor(1, {});
  for (auto _ : state) {
    std::int64_t held = 0;
    for (const Event& e : events) {
      for (const auto& data : stored) {
        auto filter = APMPBEventFilter::initWithBuffer(data);
        held += sdk::analytics::APMEvaluateEventFilter(filter.get(), "purchase", e.parameters, &e.aggregates,
                                                       monitor) == true;
      }
    }
    benchmark::DoNotOptimize(held);
  }
  state.SetItemsProcessed(state.iterations() * kEvents * kAudiences * kFiltersPerAudience);
}

BENCHMARK(BM_PlainLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EvaluatorDecodedFilters)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_EvaluatorStoredFilters)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
