#include "sdk/analytics/engine/reporters/APMScreen.h"

#include "platform/foundation/Bundle.h"
#include "platform/runtime/Class.h"
#include "sdk/analytics/foundation/APMDataTypeValidator.h"
#include "sdk/analytics/foundation/APMMonitor.h"

using platform::foundation::Dictionary;
using platform::foundation::Value;

bool APMIsValidScreenText(const std::string& text, int* failureCode) {
  return APMDataTypeValidator::isValidScreenParameterValue(APMValue(text), failureCode);
}

Dictionary APMScreenParameters(const APMScreen* screen) {
  Dictionary parameters;
  if (!screen) return parameters;
  parameters["_si"] = Value(screen->instanceID());
  const auto& className = screen->className();
  if (!className || className->empty()) {
    APMMonitor::shared()->logWithLevel(3, 31014, "Screen class name is empty");
  }
  if (className) {
    int failureCode = 0;
    if (!APMIsValidScreenText(*className, &failureCode)) {
      APMMonitor::shared()->logWithLevel(3, 31015, "Screen class name is invalid. Error code",
                                         Value(std::int64_t{failureCode}));
      return parameters;
    }
    parameters["_sc"] = Value(*className);
  }
  if (screen->name() && APMIsValidScreenText(*screen->name(), nullptr)) parameters["_sn"] = Value(*screen->name());
  return parameters;
}

Dictionary APMPreviousScreenParameters(const APMScreen* screen) {
  Dictionary parameters;
  if (!screen) return parameters;
  parameters["_pi"] = Value(screen->instanceID());
  const auto& className = screen->className();
  if (className && !className->empty() && APMIsValidScreenText(*className, nullptr)) parameters["_pc"] = Value(*className);
  if (screen->name() && APMIsValidScreenText(*screen->name(), nullptr)) parameters["_pn"] = Value(*screen->name());
  return parameters;
}

std::string APMShortClassName(const platform::runtime::Class* cls) {
  if (!cls) return {};
  const std::string& name = cls->name();
  const auto dot = name.rfind('.');
  if (dot == std::string::npos || dot + 1 >= name.size()) return name;
  return name.substr(dot + 1);
}

bool APMIsScreenReportingEnabled() {
  const auto bundle = platform::foundation::Bundle::main();
  const Value* setting = &bundle->objectForInfoDictionaryKey("VurevoreScreenReportingEnabled");
  if (setting->isNil()) setting = &bundle->objectForInfoDictionaryKey("VurevoreAutomaticScreenReportingEnabled");
  return setting->isNumber() ? setting->toBool() : true;
}
