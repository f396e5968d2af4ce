#include "sdk/analytics/foundation/APMProtoConversions.h"

#include <cmath>

#include "sdk/analytics/foundation/APMNanoAccessors.h"

namespace {

enum EventIndex { kEventParams = 0, kEventName = 1, kEventTimestamp = 2, kEventPreviousTimestamp = 3 };
enum ParamIndex { kParamName = 0, kParamString = 1, kParamInteger = 2, kParamFloat = 3, kParamDouble = 4, kParamItems = 5 };
enum AttributeIndex { kSetTimestamp = 0, kAttributeName = 1, kAttributeString = 2, kAttributeInteger = 3, kAttributeDouble = 5 };

std::int64_t milliseconds(double seconds) {
  double ms = seconds * 1000.0;
  return std::isfinite(ms) ? static_cast<std::int64_t>(ms) : 0;
}

// The value fields of a parameter: string, integer, double or items.
void setParameterValue(APMNanoMessage& parameter, const APMValue& value) {
  if (value.isString()) {
    APMNanoSetString(parameter, kParamString, value.stringValue());
  } else if (value.isInt64()) {
    APMNanoSetInt64(parameter, kParamInteger, value.int64Value());
  } else if (value.isDouble()) {
    APMNanoSetDouble(parameter, kParamDouble, value.doubleValue());
  } else {
    for (const APMParameters& item : value.items()) {
      APMPBEventParam element;
      for (const auto& [name, itemValue] : item) {
        if (auto child = APMProtoEventParam(name, itemValue)) APMNanoAddMessage(element, kParamItems, *child);
      }
      APMNanoAddMessage(parameter, kParamItems, element);
    }
    if (value.items().empty()) APMNanoSetString(parameter, kParamString, std::nullopt);
  }
}

APMParameters parametersOf(const std::vector<std::shared_ptr<APMPBEventParam>>& messages) {
  APMParameters parameters;
  for (const auto& parameter : messages) {
    auto name = APMNanoGetString(*parameter, kParamName);
    auto value = APMValueFromProtoEventParam(*parameter);
    if (name && value) parameters.emplace(*name, std::move(*value));
  }
  return parameters;
}

}  // namespace

std::shared_ptr<APMPBEventParam> APMProtoEventParam(const std::string& name, const APMValue& value) {
  auto parameter = APMPBEventParam::make();
  APMNanoSetString(*parameter, kParamName, name);
  setParameterValue(*parameter, value);
  return parameter;
}

std::optional<APMValue> APMValueFromProtoEventParam(const APMNanoMessage& parameter) {
  if (auto text = APMNanoGetString(parameter, kParamString)) return APMValue(std::move(*text));
  if (APMNanoHasField(parameter, kParamInteger) && !parameter.values(kParamInteger).empty()) {
    return APMValue(APMNanoGetInt64(parameter, kParamInteger));
  }
  if (!parameter.values(kParamDouble).empty()) return APMValue(APMNanoGetDouble(parameter, kParamDouble));
  if (!parameter.values(kParamFloat).empty()) return APMValue(APMNanoGetDouble(parameter, kParamFloat));
  auto elements = APMNanoGetMessageArray<APMPBEventParam>(parameter, kParamItems);
  if (elements.empty()) return std::nullopt;
  std::vector<APMParameters> items;
  for (const auto& element : elements) {
    items.push_back(parametersOf(APMNanoGetMessageArray<APMPBEventParam>(*element, kParamItems)));
  }
  return APMValue(std::move(items));
}

std::shared_ptr<APMPBEvent> APMProtoEvent(const APMEvent& event) {
  auto message = APMPBEvent::make();
  for (const auto& [name, value] : event.parameters()) {
    APMNanoAddMessage(*message, kEventParams, *APMProtoEventParam(name, value));
  }
  APMNanoSetString(*message, kEventName, event.name());
  APMNanoSetInt64(*message, kEventTimestamp, milliseconds(event.timestamp()));
  if (event.previousTimestamp() != 0) {
    APMNanoSetInt64(*message, kEventPreviousTimestamp, milliseconds(event.previousTimestamp()));
  }
  return message;
}

std::optional<APMEvent> APMEventFromProtoEvent(const APMPBEvent& message) {
  APMParameters parameters = parametersOf(APMNanoGetMessageArray<APMPBEventParam>(message, kEventParams));
  std::string origin = "app";
  if (auto found = parameters.find("_o"); found != parameters.end() && found->second.isString()) {
    origin = found->second.stringValue();
  }
  return APMEvent::create(origin, false, APMNanoGetString(message, kEventName).value_or(""),
                          static_cast<double>(APMNanoGetInt64(message, kEventTimestamp)) / 1000.0,
                          static_cast<double>(APMNanoGetInt64(message, kEventPreviousTimestamp)) / 1000.0,
                          std::move(parameters));
}

std::shared_ptr<APMPBUserAttribute> APMProtoUserAttribute(const APMUserAttribute& attribute) {
  auto message = APMPBUserAttribute::make();
  APMNanoSetInt64(*message, kSetTimestamp, milliseconds(attribute.lastSetTimestamp));
  APMNanoSetString(*message, kAttributeName, attribute.name);
  if (attribute.value.isString()) {
    APMNanoSetString(*message, kAttributeString, attribute.value.stringValue());
  } else if (attribute.value.isDouble()) {
    APMNanoSetDouble(*message, kAttributeDouble, attribute.value.doubleValue());
  } else {
    APMNanoSetInt64(*message, kAttributeInteger, attribute.value.int64Value());
  }
  return message;
}

std::optional<APMUserAttribute> APMUserAttributeFromProto(const APMPBUserAttribute& message, std::string origin) {
  auto name = APMNanoGetString(message, kAttributeName);
  if (!name) return std::nullopt;
  std::optional<APMValue> value;
  if (auto text = APMNanoGetString(message, kAttributeString)) {
    value = APMValue(std::move(*text));
  } else if (APMNanoHasField(message, kAttributeInteger)) {
    value = APMValue(APMNanoGetInt64(message, kAttributeInteger));
  } else if (APMNanoHasField(message, kAttributeDouble)) {
    value = APMValue(APMNanoGetDouble(message, kAttributeDouble));
  }
  if (!value) return std::nullopt;
  return APMUserAttribute(std::move(origin), std::move(*name), std::move(*value),
                          static_cast<double>(APMNanoGetInt64(message, kSetTimestamp)) / 1000.0);
}

std::shared_ptr<APMPBUserAttribute> APMUserAttribute::protoUserAttribute() const { return APMProtoUserAttribute(*this); }
