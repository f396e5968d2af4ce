#pragma once

// Tests and benchmarks only: whole measurement configurations, as a server would send them, of a
// chosen size on the wire.

#include <string>

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/MeasurementFieldIndices.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/rules/AudienceTestSupport.h"
#include "sdk/analytics/rules/ScriptProgramTestSupport.h"

namespace ostrel::testing {

// The event-editing rule every configuration here registers: it doubles an event's "value"
// parameter when it is large.
inline const std::string kConfigurationRules =
    "(const \"register\" (require \"internal.registerCallback\"))"
    "(defun \"rule\" (quote \"options\") (register \"rule\" (. $options \"callback\") $options))";
inline const std::string kConfigurationRule =
    "(object \"type\" \"edit\" \"callback\" (fn \"\" (quote \"e\") (var \"v\")"
    " (= \"v\" (call $e \"getParamValue\" (quote \"value\")))"
    " (if (> $v 5) (quote (call $e \"setParamValue\" (quote \"value\" (* $v 2))))) (return 0)))";

// A function of the kind programs are made of: it reads an event's parameters, compares, calls
// methods and builds a text.
inline std::string ordinaryFunction(int i) {
  const auto n = std::to_string(i);
  return "(defun \"check" + n + "\" (quote \"e\" \"limit\") (var \"v\")"
         " (= \"v\" (call $e \"getParamValue\" (quote \"value\")))"
         " (if (> $v $limit) (quote (call $e \"setParamValue\" (quote \"over_" + n + "\" true))))"
         " (var \"name\") (= \"name\" (+ \"item_\" (call (call $e \"getParamValue\" (quote \"item\")) \"toLowerCase\" (quote))))"
         " (return (=== $name \"item_hat\")))";
}

// A configuration of at most `bytes` on the wire (short of it by less than one function): the app ID, settings, event
// configurations, audiences and a program whose top level defines `filler(i)` for i = 0, 1, ...
// until the size is reached, then registers kConfigurationRule.
template <typename Filler>
platform::foundation::Data configurationOf(std::size_t bytes, const Filler& filler, int audiences = 200) {
  using namespace sdk::analytics::measurement_fields;
  auto config = sdk::analytics::ProtoMeasurementConfig::make();
  sdk::analytics::nanoSetInt64(*config, kConfigVersion, 1);
  sdk::analytics::nanoSetString(*config, kConfigAppID, "1:123456789:ios:0123456789abcdef");
  for (int i = 0; i < 100; ++i) {
    auto setting = sdk::analytics::ProtoSetting::make();
    sdk::analytics::nanoSetString(*setting, kSettingName, "measurement.custom_setting_" + std::to_string(i));
    sdk::analytics::nanoSetString(*setting, kSettingValue, std::to_string(i * 37));
    sdk::analytics::nanoAddMessage(*config, kConfigSettings, *setting);
  }
  for (int i = 0; i < audiences; ++i) {
    auto events = eventFilter(0, "purchase", {valueFilter(*numberFilter(1, std::to_string(i)), "value"),
                                             valueFilter(*stringFilter(5, "hat"), "item")});
    auto properties = propertyFilter(1, "favourite_team", valueFilter(*stringFilter(1, "team_" + std::to_string(i))));
    sdk::analytics::nanoAddMessage(*config, kConfigAudiences, *audience(i, {events}, {properties}));
  }
  // The program's statements, each parsed once and counted with the key and length around it.
  auto withKey = [](std::size_t size) {
    std::size_t length = 1;
    for (std::size_t rest = size >> 7; rest; rest >>= 7) ++length;
    return 1 + length + size;
  };
  const auto rules = program(std::string(), {{"rule", kConfigurationRule}});
  Entities statements = parse(kConfigurationRules);
  std::size_t size = config->protoBuffer().size() + rules->protoBuffer().size() + 8;
  for (const auto& statement : statements) size += withKey(statement->protoBuffer().size());
  for (int i = 0;; ++i) {
    const auto function = parse(filler(i));
    std::size_t more = 0;
    for (const auto& statement : function) more += withKey(statement->protoBuffer().size());
    if (size + more > bytes) break;
    size += more;
    statements.insert(statements.end(), function.begin(), function.end());
  }
  auto message = sdk::analytics::ProtoProgram::make();
  sdk::analytics::nanoAdoptMessageArray(*message, 0, std::move(statements));
  sdk::analytics::nanoSetMessage(*message, 1, sdk::analytics::nanoMessageIn<sdk::analytics::ProtoProgramRules>(*rules, 1));
  sdk::analytics::nanoAdoptMessageArray(*config, kConfigPrograms, std::vector{message});
  return config->protoBuffer();
}

}  // namespace ostrel::testing
