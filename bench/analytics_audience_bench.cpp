// 50 audiences of 5 event filters each judged over 10,000 events, beside the same comparisons
// written as a plain loop over plain structs, in the same run. The audience filters are measured
// twice: prepared once from their decoded messages, and as the audience walk meets them, kept
// between events by the filter cache over a real measurement database (which reads, decodes and
// prepares them once).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "sdk/analytics/foundation/AudienceFieldIndices.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/EventAggregates.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/rules/AudienceFilterCache.h"
#include "sdk/analytics/rules/EventParameterLookup.h"
#include "testing/TempContainer.h"

namespace {

constexpr int kAudiences = 50;
constexpr int kFiltersPerAudience = 5;
constexpr int kEvents = 10000;

struct Event {
  std::int64_t value;
  double price;
  std::string currency;
  std::string item;
  sdk::analytics::Parameters parameters;
  sdk::analytics::EventAggregates aggregates{"purchase", 0, 0, 0, 0};
};

std::vector<Event> makeEvents() {
  std::vector<Event> events;
  for (int i = 0; i < kEvents; ++i) {
    Event e{i % 100, (i % 37) * 1.5, i % 3 ? "EUR" : "usd", i % 2 ? "Shoe-42" : "hat", {}};
    e.parameters = {{"value", sdk::analytics::AnalyticsValue(e.value)}, {"price", sdk::analytics::AnalyticsValue(e.price)}, {"currency", sdk::analytics::AnalyticsValue(e.currency)},
                    {"item", sdk::analytics::AnalyticsValue(e.item)}};
    e.aggregates = sdk::analytics::EventAggregates("purchase", i, 0, i % 7, 0);
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

std::shared_ptr<sdk::analytics::ProtoEventFilter> layerFilter(const PlainFilter& plain) {
  using namespace sdk::analytics::audience_fields;
  auto filter = sdk::analytics::ProtoEventFilter::make();
  sdk::analytics::nanoSetInt32(*filter, kEventFilterID, plain.kind);
  sdk::analytics::nanoSetString(*filter, kEventFilterName, "purchase");
  auto number = [](std::uint64_t type, std::optional<std::string> value, std::optional<std::string> min = {},
                   std::optional<std::string> max = {}) {
    auto n = sdk::analytics::ProtoNumberFilter::make();
    sdk::analytics::nanoSetInt64(*n, kNumberComparisonType, static_cast<std::int64_t>(type));
    sdk::analytics::nanoSetString(*n, kNumberComparisonValue, value);
    sdk::analytics::nanoSetString(*n, kNumberMinimum, min);
    sdk::analytics::nanoSetString(*n, kNumberMaximum, max);
    return n;
  };
  auto string = [](std::uint64_t type, const std::string& expression) {
    auto s = sdk::analytics::ProtoStringFilter::make();
    sdk::analytics::nanoSetInt64(*s, kStringMatchType, static_cast<std::int64_t>(type));
    sdk::analytics::nanoSetString(*s, kStringExpression, expression);
    return s;
  };
  auto parameter = [&](const sdk::analytics::NanoMessage& inner, const std::string& name) {
    auto f = sdk::analytics::ProtoFilter::make();
    const bool isNumber = &inner.descriptor() == &sdk::analytics::ProtoNumberFilter::descriptor();
    sdk::analytics::nanoSetMessage(*f, isNumber ? kFilterNumber : kFilterString, &inner);
    sdk::analytics::nanoSetString(*f, kFilterParameterName, name);
    sdk::analytics::nanoAddMessage(*filter, kEventFilterParameters, *f);
  };
  std::string t = std::to_string(plain.threshold);
  switch (plain.kind) {
    case 0: parameter(*number(2, t), "value"); break;
    case 1: parameter(*string(5, "eur"), "currency"); break;
    case 2: parameter(*number(4, std::nullopt, t, std::to_string(plain.threshold + 20)), "price"); break;
    case 3: sdk::analytics::nanoSetMessage(*filter, kEventFilterCount, number(2, t).get()); break;
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

// The walk's inner loop: each event's parameters looked up once, then every filter of its name.
std::int64_t judgeAll(const sdk::analytics::EventFilterSet& set, const Event& e, sdk::analytics::Monitor& monitor) {
  std::int64_t held = 0;
  static const std::string kName = "purchase";
  sdk::analytics::EventParameterLookup parameters(set.parameterNames, e.parameters);
  bool aggregatesNamedAlike = e.aggregates.name == kName;
  for (const auto& kept : set.filters) {
    auto outcome = kept.namedAsStored
                       ? kept.prepared->judge(kName, parameters, &e.aggregates, aggregatesNamedAlike, monitor)
                       : kept.prepared->evaluate(kName, parameters, &e.aggregates, monitor);
    held += outcome == true;
  }
  return held;
}

void BM_PreparedFilters(benchmark::State& state) {
  auto events = makeEvents();
  sdk::analytics::EventFilterSet set;
  for (const auto& plain : plainFilters()) {
    auto& kept = set.filters.emplace_back();
    kept.message = layerFilter(plain);
    kept.prepared.emplace(*kept.message, set.parameterNames);
    kept.namedAsStored = kept.prepared->isFor("purchase");
  }
  sdk::analytics::Monitor monitor(1, {});
  for (auto _ : state) {
    std::int64_t held = 0;
    for (const Event& e : events) held += judgeAll(set, e, monitor);
    benchmark::DoNotOptimize(held);
  }
  state.SetItemsProcessed(state.iterations() * kEvents * kAudiences * kFiltersPerAudience);
}

void BM_KeptFiltersFromDatabase(benchmark::State& state) {
  auto events = makeEvents();
  ostrel::testing::TempContainer container;
  auto database = sdk::analytics::MeasurementDatabase::initWithDatabasePath(container.pathFor("audiences.sql"), nullptr)
                      .valueOr(nullptr);
  std::vector<sdk::analytics::StoredEventFilter> stored;
  int index = 0;
  for (const auto& plain : plainFilters()) {
    stored.push_back({index / kFiltersPerAudience, index % kFiltersPerAudience, "purchase",
                      layerFilter(plain)->protoBuffer()});
    ++index;
  }
  if (!database || !database->updateEventFilters(stored)) {
    state.SkipWithError("the filters could not be stored");
    return;
  }
  sdk::analytics::AudienceFilterCache cache;
  sdk::analytics::Monitor monitor(1, {});
  for (auto _ : state) {
    std::int64_t held = 0;
    for (const Event& e : events) held += judgeAll(**cache.eventFilters(*database, "purchase"), e, monitor);
    benchmark::DoNotOptimize(held);
  }
  state.SetItemsProcessed(state.iterations() * kEvents * kAudiences * kFiltersPerAudience);
}

BENCHMARK(BM_PlainLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreparedFilters)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeptFiltersFromDatabase)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
