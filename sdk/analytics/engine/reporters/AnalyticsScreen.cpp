#include "sdk/analytics/engine/reporters/AnalyticsScreen.h"

#include "platform/foundation/Bundle.h"
#include "platform/runtime/Class.h"
#include "sdk/analytics/engine/reporters/ReportersMessageCodes.h"
#include "sdk/analytics/foundation/DataTypeValidator.h"
#include "sdk/analytics/foundation/Monitor.h"

namespace sdk::analytics {

using platform::foundation::Dictionary;
using platform::foundation::Value;

bool isValidScreenText(const std::string& text, int* failureCode) {
  return DataTypeValidator::isValidScreenParameterValue(AnalyticsValue(text), failureCode);
}

Dictionary screenParametersOf(const AnalyticsScreen* screen) {
  Dictionary parameters;
  if (!screen) return parameters;
  parameters["_si"] = Value(screen->instanceID());
  const auto& className = screen->className();
  if (!className || className->empty()) {
    Monitor::shared()->logWithLevel(LogLevel::kWarning, messages::kScreenClassNameEmpty, "Screen class name is empty");
  }
  if (className) {
    int failureCode = 0;
    if (!isValidScreenText(*className, &failureCode)) {
      Monitor::shared()->logWithLevel(LogLevel::kWarning, messages::kScreenClassNameInvalid,
                                      "Screen class name is invalid. Error code", Value(std::int64_t{failureCode}));
      return parameters;
    }
    parameters["_sc"] = Value(*className);
  }
  if (screen->name() && isValidScreenText(*screen->name(), nullptr)) parameters["_sn"] = Value(*screen->name());
  return parameters;
}

Dictionary previousScreenParametersOf(const AnalyticsScreen* screen) {
  Dictionary parameters;
  if (!screen) return parameters;
  parameters["_pi"] = Value(screen->instanceID());
  const auto& className = screen->className();
  if (className && !className->empty() && isValidScreenText(*className, nullptr)) parameters["_pc"] = Value(*className);
  if (screen->name() && isValidScreenText(*screen->name(), nullptr)) parameters["_pn"] = Value(*screen->name());
  return parameters;
}

std::string shortClassName(const platform::runtime::Class* cls) {
  if (!cls) return {};
  const std::string& name = cls->name();
  const auto dot = name.rfind('.');
  if (dot == std::string::npos || dot + 1 >= name.size()) return name;
  return name.substr(dot + 1);
}

bool isAutomaticScreenReportingEnabled() {
  const auto bundle = platform::foundation::Bundle::main();
  const Value* setting = &bundle->objectForInfoDictionaryKey("VurevoreScreenReportingEnabled");
  if (setting->isNil()) setting = &bundle->objectForInfoDictionaryKey("VurevoreAutomaticScreenReportingEnabled");
  return setting->isNumber() ? setting->toBool() : true;
}

}  // namespace sdk::analytics

