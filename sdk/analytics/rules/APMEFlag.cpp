#include "sdk/analytics/rules/APMEFlag.h"

#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBExperiments.h"

using platform::foundation::Value;

namespace {
// Field indices of APMPBFlag.
constexpr int kFlagName = 0, kFlagInteger = 1, kFlagString = 2, kFlagDouble = 3, kFlagBool = 4;

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
  APMNanoSetString(*flag, kFlagName, *name.string());
  if (value.isString()) {
    APMNanoSetString(*flag, kFlagString, *value.string());
  } else if (value.isReal()) {
    APMNanoSetDouble(*flag, kFlagDouble, value.toDouble());
  } else if (value.isInteger() || value.isBool()) {
    APMNanoSetInt64(*flag, kFlagInteger, value.toInt64());
  } else {
    monitor.logWithLevel(1, 850002, "Flag value is invalid", kindName(value));
    return nullptr;
  }
  return flag;
}

Value APMEFlagValueFromFlag(const APMPBFlag* flag) {
  if (!flag) return Value();
  if (APMNanoHasField(*flag, kFlagInteger)) return Value(APMNanoGetInt64(*flag, kFlagInteger));
  if (APMNanoHasField(*flag, kFlagDouble)) return Value(APMNanoGetDouble(*flag, kFlagDouble));
  if (auto text = APMNanoGetString(*flag, kFlagString)) return Value(*text);
  if (APMNanoHasField(*flag, kFlagBool)) return Value(APMNanoGetBool(*flag, kFlagBool));
  return Value();
}

std::string APMEFlagName(const APMPBFlag& flag) { return APMNanoGetString(flag, kFlagName).value_or(""); }
