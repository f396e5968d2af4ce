#include "sdk/analytics/rules/ExperimentFlag.h"

#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoExperimentMessages.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"

namespace sdk::analytics {

using platform::foundation::Value;

namespace {
// Field indices of ProtoFlag.
constexpr int kFlagName = 0, kFlagInteger = 1, kFlagString = 2, kFlagDouble = 3, kFlagBool = 4;

Value kindName(const Value& value) {
  static const char* const names[] = {"nil", "null", "Bool", "Integer", "Real", "String", "Data", "Date", "Array",
                                      "Dictionary", "Object"};
  return Value(names[static_cast<int>(value.type())]);
}
}  // namespace

std::shared_ptr<ProtoFlag> experimentFlagFromNameAndValue(const Value& name, const Value& value) {
  auto& monitor = *Monitor::shared();
  if (name.isNil()) {
    monitor.logWithLevel(LogLevel::kMonitoredError, messages::kFlagNameMissing, "Flag name must not be nil");
    return nullptr;
  }
  if (!name.isString()) {
    monitor.logWithLevel(LogLevel::kMonitoredError, messages::kFlagNameNotString, "Flag name must be a string", kindName(name));
    return nullptr;
  }
  auto flag = ProtoFlag::make();
  nanoSetString(*flag, kFlagName, *name.string());
  if (value.isString()) {
    nanoSetString(*flag, kFlagString, *value.string());
  } else if (value.isReal()) {
    nanoSetDouble(*flag, kFlagDouble, value.toDouble());
  } else if (value.isInteger() || value.isBool()) {
    nanoSetInt64(*flag, kFlagInteger, value.toInt64());
  } else {
    monitor.logWithLevel(LogLevel::kMonitoredError, messages::kFlagValueInvalid, "Flag value is invalid", kindName(value));
    return nullptr;
  }
  return flag;
}

Value experimentFlagValue(const ProtoFlag* flag) {
  if (!flag) return Value();
  if (nanoHasField(*flag, kFlagInteger)) return Value(nanoGetInt64(*flag, kFlagInteger));
  if (nanoHasField(*flag, kFlagDouble)) return Value(nanoGetDouble(*flag, kFlagDouble));
  if (auto text = nanoGetString(*flag, kFlagString)) return Value(*text);
  if (nanoHasField(*flag, kFlagBool)) return Value(nanoGetBool(*flag, kFlagBool));
  return Value();
}

std::string experimentFlagName(const ProtoFlag& flag) { return nanoGetString(flag, kFlagName).value_or(""); }

}  // namespace sdk::analytics

