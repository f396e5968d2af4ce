#include "sdk/analytics/rules/APMEFlag.h"

#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBExperiments.h"

using platform::foundation::Value;

namespace {
constexpr int kName = 0, kInteger = 1, kString = 2, kDouble = 3, kBool = 4;

Value kindName(const Value& value) {
  static const char* const names[] = {"nil", "null", "Bool", "Integer", "Real", "String", "Data", "Date", "Array",
                                      "Dictionary", "Object"};
  return Value(names[static_cast<int>(value.type())]);
}
}  // namespace

std::shared_ptr<APMPBFlag> APMEFlagFromNameAndValue(const Value& name, const Value& value) {
  auto& monitor = *APMMonitor::shared();
  if (name.isNil()) {
    monitor.logWithLevel(1, 850000, "Flag name must not be nil");
    return nullptr;
  }
  if (!name.isString()) {
    monitor.logWithLevel(1, 850001, "Flag name must be a string", kindName(name));
    return nullptr;
  }
  auto flag = APMPBFlag::make();
  APMNanoSetString(*flag, kName, *name.string());
  if (value.isString()) {
    APMNanoSetString(*flag, kString, *value.string());
  } else if (value.isReal()) {
    APMNanoSetDouble(*flag, kDouble, value.toDouble());
  } else if (value.isInteger() || value.isBool()) {
    APMNanoSetInt64(*flag, kInteger, value.toInt64());
  } else {
    monitor.logWithLevel(1, 850002, "Flag value is invalid", kindName(value));
    return nullptr;
  }
  return flag;
}

Value APMEFlagValueFromFlag(const APMPBFlag* flag) {
  if (!flag) return Value();
  if (APMNanoHasField(*flag, kInteger)) return Value(APMNanoGetInt64(*flag, kInteger));
  if (APMNanoHasField(*flag, kDouble)) return Value(APMNanoGetDouble(*flag, kDouble));
  if (auto text = APMNanoGetString(*flag, kString)) return Value(*text);
  if (APMNanoHasField(*flag, kBool)) return Value(APMNanoGetBool(*flag, kBool));
  return Value();
}

std::string APMEFlagName(const APMPBFlag& flag) { return APMNanoGetString(flag, kName).value_or(""); }
