#include "sdk/analytics/foundation/ProtoConversions.h"

#include <cmath>

#include "sdk/analytics/foundation/MeasurementFieldIndices.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/NumericUtil.h"

namespace sdk::analytics {

using namespace sdk::analytics::measurement_fields;

namespace {

// The value fields of a parameter: string, integer, double or items.
void setParameterValue(NanoMessage& parameter, const AnalyticsValue& value) {
  if (value.isString()) {
    nanoSetString(parameter, kParamString, value.stringValue());
  } else if (value.isInt64()) {
    nanoSetInt64(parameter, kParamInteger, value.int64Value());
  } else if (value.isDouble()) {
    nanoSetDouble(parameter, kParamDouble, value.doubleValue());
  } else {
    for (const Parameters& item : value.items()) {
      ProtoEventParam element;
      for (const auto& [name, itemValue] : item) {
        if (auto child = makeProtoEventParam(name, itemValue)) nanoAddMessage(element, kParamItems, *child);
      }
      nanoAddMessage(parameter, kParamItems, element);
    }
    if (value.items().empty()) nanoSetString(parameter, kParamString, std::nullopt);
  }
}

Parameters parametersOf(const std::vector<std::shared_ptr<ProtoEventParam>>& messages) {
  Parameters parameters;
  for (const auto& parameter : messages) {
    auto name = nanoGetString(*parameter, kParamName);
    auto value = valueFromProtoEventParam(*parameter);
    if (name && value) parameters.emplace(*name, std::move(*value));
  }
  return parameters;
}

}  // namespace

std::shared_ptr<ProtoEventParam> makeProtoEventParam(const std::string& name, const AnalyticsValue& value) {
  auto parameter = ProtoEventParam::make();
  nanoSetString(*parameter, kParamName, name);
  setParameterValue(*parameter, value);
  return parameter;
}

std::optional<AnalyticsValue> valueFromProtoEventParam(const NanoMessage& parameter) {
  if (auto text = nanoGetString(parameter, kParamString)) return AnalyticsValue(std::move(*text));
  if (nanoHasField(parameter, kParamInteger) && !parameter.values(kParamInteger).empty()) {
    return AnalyticsValue(nanoGetInt64(parameter, kParamInteger));
  }
  if (!parameter.values(kParamDouble).empty()) return AnalyticsValue(nanoGetDouble(parameter, kParamDouble));
  if (!parameter.values(kParamFloat).empty()) return AnalyticsValue(nanoGetDouble(parameter, kParamFloat));
  auto elements = nanoGetMessageArray<ProtoEventParam>(parameter, kParamItems);
  if (elements.empty()) return std::nullopt;
  std::vector<Parameters> items;
  for (const auto& element : elements) {
    items.push_back(parametersOf(nanoGetMessageArray<ProtoEventParam>(*element, kParamItems)));
  }
  return AnalyticsValue(std::move(items));
}

std::shared_ptr<ProtoEvent> makeProtoEvent(const AnalyticsEvent& event) {
  auto message = ProtoEvent::make();
  for (const auto& [name, value] : event.parameters()) {
    nanoAddMessage(*message, kEventParams, *makeProtoEventParam(name, value));
  }
  nanoSetString(*message, kEventName, event.name());
  nanoSetInt64(*message, kEventTimestamp, NumericUtil::millisecondsFromSeconds(event.timestamp()));
  if (event.previousTimestamp() != 0) {
    nanoSetInt64(*message, kEventPreviousTimestamp, NumericUtil::millisecondsFromSeconds(event.previousTimestamp()));
  }
  return message;
}

std::optional<AnalyticsEvent> eventFromProtoEvent(const ProtoEvent& message) {
  Parameters parameters = parametersOf(nanoGetMessageArray<ProtoEventParam>(message, kEventParams));
  std::string origin = "app";
  if (auto found = parameters.find("_o"); found != parameters.end() && found->second.isString()) {
    origin = found->second.stringValue();
  }
  return AnalyticsEvent::create(origin, false, nanoGetString(message, kEventName).value_or(""),
                          static_cast<double>(nanoGetInt64(message, kEventTimestamp)) / 1000.0,
                          static_cast<double>(nanoGetInt64(message, kEventPreviousTimestamp)) / 1000.0,
                          std::move(parameters));
}

std::shared_ptr<ProtoUserAttribute> makeProtoUserAttribute(const UserAttribute& attribute) {
  auto message = ProtoUserAttribute::make();
  nanoSetInt64(*message, kAttributeSetTimestamp, NumericUtil::millisecondsFromSeconds(attribute.lastSetTimestamp));
  nanoSetString(*message, kAttributeName, attribute.name);
  if (attribute.value.isString()) {
    nanoSetString(*message, kAttributeString, attribute.value.stringValue());
  } else if (attribute.value.isDouble()) {
    nanoSetDouble(*message, kAttributeDouble, attribute.value.doubleValue());
  } else {
    nanoSetInt64(*message, kAttributeInteger, attribute.value.int64Value());
  }
  return message;
}

std::optional<UserAttribute> userAttributeFromProto(const ProtoUserAttribute& message, std::string origin) {
  auto name = nanoGetString(message, kAttributeName);
  if (!name) return std::nullopt;
  std::optional<AnalyticsValue> value;
  if (auto text = nanoGetString(message, kAttributeString)) {
    value = AnalyticsValue(std::move(*text));
  } else if (nanoHasField(message, kAttributeInteger)) {
    value = AnalyticsValue(nanoGetInt64(message, kAttributeInteger));
  } else if (nanoHasField(message, kAttributeDouble)) {
    value = AnalyticsValue(nanoGetDouble(message, kAttributeDouble));
  }
  if (!value) return std::nullopt;
  return UserAttribute(std::move(origin), std::move(*name), std::move(*value),
                          static_cast<double>(nanoGetInt64(message, kAttributeSetTimestamp)) / 1000.0);
}

std::shared_ptr<ProtoUserAttribute> UserAttribute::protoUserAttribute() const { return makeProtoUserAttribute(*this); }

}  // namespace sdk::analytics

