#include "sdk/analytics/foundation/APMNanoMessage.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/foundation/Exception.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBAudience.h"
#include "sdk/analytics/foundation/APMPBExperiments.h"
#include "sdk/analytics/foundation/APMPBMeasurement.h"
#include "sdk/analytics/foundation/APMPBMessages.h"
#include "sdk/analytics/foundation/APMPBProgram.h"
#include "sdk/analytics/foundation/APMProtoConversions.h"

namespace {

using platform::foundation::Array;
using platform::foundation::Data;
using platform::foundation::Value;

// Sets every field of `message` through the accessors, with values that differ per index; nested
// messages are filled to `depth` levels.
void fillEveryField(APMNanoMessage& message, int depth) {
  for (int index = 0; index < static_cast<int>(message.fieldCount()); ++index) {
    const APMNanoField& field = message.field(index);
    std::int64_t n = index + 1;
    switch (field.kind) {
      case APMNanoKind::Reserved:
        break;
      case APMNanoKind::Message: {
        APMNanoMessage child(field.message());
        if (depth > 0) fillEveryField(child, depth - 1);
        if (field.repeated) {
          APMNanoAddMessage(message, index, child);
          APMNanoAddMessage(message, index, APMNanoMessage(field.message()));
        } else {
          APMNanoSetMessage(message, index, &child);
        }
        break;
      }
      default:
        if (field.repeated) {
          if (field.kind == APMNanoKind::String || field.kind == APMNanoKind::Bytes) {
            APMNanoSetArray(message, index, Array{"first", "", "third é"});
          } else {
            APMNanoSetArray(message, index, Array{n, 0, 300000 + n});
          }
        } else if (field.kind == APMNanoKind::String || field.kind == APMNanoKind::Bytes) {
          APMNanoSetString(message, index, "value " + std::to_string(n));
        } else if (field.kind == APMNanoKind::Bool) {
          APMNanoSetBool(message, index, true);
        } else if (field.kind == APMNanoKind::Double || field.kind == APMNanoKind::Float) {
          APMNanoSetDouble(message, index, n + 0.5);
        } else if (field.kind == APMNanoKind::Int32 || field.kind == APMNanoKind::Int64) {
          APMNanoSetInt64(message, index, -n * 1000);  // negative values take ten-byte varints
        } else {
          APMNanoSetInt64(message, index, n * 1000);
        }
    }
  }
}

TEST(NanoMessageTest, EveryMessageRoundTripsWithEveryFieldSet) {
  ASSERT_EQ(APMPBAllMessages().size(), 31u);
  for (const auto& [name, descriptor] : APMPBAllMessages()) {
    APMNanoMessage message(descriptor());
    EXPECT_STREQ(message.descriptor().name, name);
    fillEveryField(message, 2);
    Data bytes = message.protoBuffer();
    auto decoded = std::make_shared<APMNanoMessage>(descriptor());
    ASSERT_TRUE(decoded->decode(bytes)) << name;
    EXPECT_EQ(decoded->protoBuffer(), bytes) << name;
    for (int index = 0; index < static_cast<int>(message.fieldCount()); ++index) {
      const APMNanoField& field = message.field(index);
      EXPECT_EQ(APMNanoHasField(*decoded, index), field.kind != APMNanoKind::Reserved) << name << " " << index;
      if (field.repeated && field.kind != APMNanoKind::Message) {
        EXPECT_EQ(APMNanoGetArray(*decoded, index), APMNanoGetArray(message, index)) << name << " " << index;
      } else if (field.kind == APMNanoKind::String) {
        EXPECT_EQ(APMNanoGetString(*decoded, index), "value " + std::to_string(index + 1)) << name;
      } else if (field.kind == APMNanoKind::Int64 || field.kind == APMNanoKind::Int32) {
        EXPECT_EQ(APMNanoGetInt64(*decoded, index), -(index + 1) * 1000) << name << " " << index;
      } else if (field.kind == APMNanoKind::Double || field.kind == APMNanoKind::Float) {
        EXPECT_EQ(APMNanoGetDouble(*decoded, index), index + 1.5) << name << " " << index;
      }
    }
  }
  // An empty message encodes to nothing and decodes from nothing.
  EXPECT_TRUE(APMPBMeasurementBundle::make()->protoBuffer().empty());
  EXPECT_TRUE(APMPBMeasurementBundle::initWithBuffer({}));
}

// Tags written by hand, independently of the encoder.
Data key(std::uint32_t tag, int wire) {
  Data out;
  std::uint32_t v = (tag << 3) | static_cast<std::uint32_t>(wire);
  while (v >= 0x80) {
    out.push_back(static_cast<std::uint8_t>(v | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<std::uint8_t>(v));
  return out;
}
Data cat(std::initializer_list<Data> parts) {
  Data out;
  for (const Data& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}
Data lengthDelimited(std::uint32_t tag, const Data& body) {
  return cat({key(tag, 2), Data{static_cast<std::uint8_t>(body.size())}, body});
}
Data text(std::uint32_t tag, const std::string& s) { return lengthDelimited(tag, Data(s.begin(), s.end())); }
Data varint(std::uint32_t tag, std::uint8_t small) { return cat({key(tag, 0), Data{small}}); }

TEST(NanoMessageTest, HandBuiltBytesDecodeToTheExpectedIndices) {
  Data parameter = cat({text(1, "price"), key(5, 1), Data{0, 0, 0, 0, 0, 0, 0x04, 0x40}});  // 2.5 as a double
  Data event = cat({lengthDelimited(1, parameter), text(2, "_vs"), varint(3, 42), varint(4, 7)});
  Data bundle = cat({varint(1, 1), lengthDelimited(2, event), varint(26, 9), varint(7, 8), text(27, "vendor"),
                     varint(20, 1), varint(23, 5), text(24, "monitor"), varint(39, 2), varint(45, 11), varint(45, 12),
                     varint(53, 3), text(52, "G1--"), varint(15, 99), text(22, "reserved")});
  auto decoded = APMPBMeasurementBundle::initWithBuffer(bundle);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(APMNanoGetInt32(*decoded, 0), 1);
  EXPECT_EQ(APMNanoGetInt64(*decoded, 6), 9);
  EXPECT_EQ(APMNanoGetInt64(*decoded, 7), 8);
  EXPECT_EQ(APMNanoGetString(*decoded, 20), "vendor");
  EXPECT_TRUE(APMNanoGetBool(*decoded, 21));
  EXPECT_EQ(APMNanoGetInt32(*decoded, 24), 5);
  EXPECT_EQ(APMNanoGetString(*decoded, 25), "monitor");
  EXPECT_EQ(APMNanoGetInt32(*decoded, 35), 2);
  EXPECT_EQ(APMNanoGetArray(*decoded, 37), (Array{11, 12}));
  EXPECT_EQ(APMNanoGetInt32(*decoded, 41), 3);
  EXPECT_EQ(APMNanoGetString(*decoded, 40), "G1--");
  EXPECT_FALSE(APMNanoHasField(*decoded, 15));  // reserved indices skip their tags
  EXPECT_FALSE(APMNanoHasField(*decoded, 23));
  auto events = APMNanoGetMessageArray<APMPBEvent>(*decoded, 1);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(APMNanoGetString(*events[0], 1), "_vs");
  EXPECT_EQ(APMNanoGetInt64(*events[0], 2), 42);
  EXPECT_EQ(APMNanoGetInt64(*events[0], 3), 7);
  auto params = APMNanoGetMessageArray<APMPBEventParam>(*events[0], 0);
  ASSERT_EQ(params.size(), 1u);
  EXPECT_EQ(APMNanoGetDouble(*params[0], 4), 2.5);

  // The bytes we write for the same content are the hand-built ones, minus the skipped fields and in
  // tag order.
  Data canonical = cat({varint(1, 1), lengthDelimited(2, event), varint(7, 8), varint(20, 1), varint(23, 5),
                        text(24, "monitor"), varint(26, 9), text(27, "vendor"), varint(39, 2), varint(45, 11),
                        varint(45, 12), text(52, "G1--"), varint(53, 3)});
  EXPECT_EQ(decoded->protoBuffer(), canonical);
}

TEST(NanoMessageTest, BundleIndexToTagPairing) {
  const std::pair<int, std::uint32_t> pairs[] = {
      {0, 1},   {1, 2},   {2, 3},   {3, 4},   {4, 5},   {5, 6},   {6, 26},  {7, 7},   {8, 8},   {9, 9},
      {10, 10}, {11, 11}, {12, 12}, {13, 13}, {14, 14}, {15, 15}, {16, 16}, {17, 17}, {18, 18}, {19, 19},
      {20, 27}, {21, 20}, {22, 21}, {23, 22}, {24, 23}, {25, 24}, {26, 25}, {27, 28}, {28, 29}, {29, 30},
      {30, 31}, {31, 32}, {32, 33}, {33, 34}, {34, 35}, {35, 39}, {36, 41}, {37, 45}, {38, 47}, {39, 50},
      {40, 52}, {41, 53}, {42, 55}, {43, 57}, {44, 58}, {45, 59},
  };
  const APMNanoDescriptor& bundle = APMPBMeasurementBundle::descriptor();
  ASSERT_EQ(bundle.fields.size(), 46u);
  for (const auto& [index, tag] : pairs) {
    const APMNanoField& field = bundle.fields[static_cast<std::size_t>(index)];
    if (field.kind != APMNanoKind::Reserved) {  // never typed: kept as a place, skipped on the wire
      EXPECT_EQ(field.tag, tag) << "index " << index;
    }
  }
  for (const auto& [name, descriptor] : APMPBAllMessages()) {
    if (std::string(name) == "APMPBMeasurementBundle") continue;
    const APMNanoDescriptor& d = descriptor();
    for (std::size_t i = 0; i < d.fields.size(); ++i) {
      if (d.fields[i].kind != APMNanoKind::Reserved) {
        EXPECT_EQ(d.fields[i].tag, i + 1) << name << " " << i;
      }
    }
  }
}

TEST(NanoMessageTest, BadInputGivesNoMessage) {
  Data good = APMProtoEvent(*APMEvent::create("app", false, "_e", 1, 0, {{"a", APMValue("b")}}))->protoBuffer();
  // Every cut inside the first (length-delimited) field; a cut between fields is a shorter message.
  ASSERT_EQ(good[0], 0x0A);
  for (std::size_t cut = 1; cut < 2u + good[1]; ++cut) {
    Data truncated(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_FALSE(APMPBEvent::initWithBuffer(truncated)) << cut;
  }
  const Data corrupt[] = {
      {0x00},                          // tag 0
      {0x0A, 0x05, 0x01},              // length past the end
      {0x0B},                          // group start: not supported
      {0x10, 0xFF, 0xFF, 0xFF},        // unterminated varint
      {0x12, 0x02, 0x0A, 0x09},        // sub-message whose own length runs past its end
      {0x08, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x01},  // eleven-byte varint
  };
  for (const Data& bytes : corrupt) EXPECT_FALSE(APMPBRuntimeEntity::initWithBuffer(bytes));

  // Nesting through the runtime entity's arguments: fine up to the limit, refused beyond it.
  auto nested = [](int depth) {
    Data entity = varint(1, 4);
    for (int i = 0; i < depth; ++i) {
      Data outer = varint(1, 4);
      Data length;
      std::uint32_t n = static_cast<std::uint32_t>(entity.size());
      while (n >= 0x80) {
        length.push_back(static_cast<std::uint8_t>(n | 0x80));
        n >>= 7;
      }
      length.push_back(static_cast<std::uint8_t>(n));
      entity = cat({outer, key(2, 2), length, entity});
    }
    return entity;
  };
  EXPECT_TRUE(APMPBRuntimeEntity::initWithBuffer(nested(APMNanoMessage::kMaxDepth)));
  APMNanoDecodeFailure tooDeep = APMNanoDecodeFailure::None;
  EXPECT_FALSE(APMPBRuntimeEntity::initWithBuffer(nested(APMNanoMessage::kMaxDepth + 1), &tooDeep));
  EXPECT_EQ(tooDeep, APMNanoDecodeFailure::TooDeep);
  EXPECT_FALSE(APMPBRuntimeEntity::initWithBuffer(nested(2000)));

  // Unknown fields and fields of an unexpected wire type are skipped.
  auto skipped = APMPBSetting::initWithBuffer(cat({text(1, "name"), varint(9, 3), varint(2, 5), text(2, "v")}));
  ASSERT_TRUE(skipped);
  EXPECT_EQ(APMNanoGetString(*skipped, 0), "name");
  EXPECT_EQ(APMNanoGetString(*skipped, 1), "v");
}

TEST(NanoMessageTest, PackedAndUnpackedRepeatedNumbersBothRead) {
  Data packed = cat({key(1, 2), Data{3, 1, 0x80, 0x01}, varint(1, 7), key(2, 2), Data{0}});
  auto result = APMPBResultData::initWithBuffer(packed);
  ASSERT_TRUE(result);
  EXPECT_EQ(APMNanoGetArray(*result, 0), (Array{1, 128, 7}));
  EXPECT_TRUE(APMNanoGetArray(*result, 1).empty());
  EXPECT_FALSE(APMPBResultData::initWithBuffer(cat({key(1, 2), Data{2, 0x80}})));  // cut inside the packed run
}

TEST(NanoMessageTest, EqualContentGivesEqualBytes) {
  auto a = APMPBFlag::make();
  APMNanoSetBool(*a, 4, false);
  APMNanoSetString(*a, 0, "flag");
  APMNanoSetDouble(*a, 3, 1.25);
  auto b = APMPBFlag::make();
  APMNanoSetDouble(*b, 3, 1.25);
  APMNanoSetString(*b, 0, "flag");
  APMNanoSetBool(*b, 4, false);
  EXPECT_EQ(a->protoBuffer(), b->protoBuffer());
  EXPECT_EQ(*a, *b);
  APMNanoSetString(*b, 2, "");
  EXPECT_NE(*a, *b);  // a present empty string is content
}

TEST(NanoMessageTest, AccessorAnswersForAbsentFieldsAndCopies) {
  auto filter = APMPBEventFilter::make();
  EXPECT_FALSE(APMNanoHasField(*filter, 1));
  EXPECT_TRUE(APMNanoHasField(*filter, 2));  // repeated
  EXPECT_FALSE(APMNanoGetString(*filter, 1));
  EXPECT_EQ(APMNanoGetInt32(*filter, 0), 0);
  EXPECT_FALSE(APMNanoGetBool(*filter, 5));
  EXPECT_FALSE(APMNanoGetMessage<APMPBNumberFilter>(*filter, 4));
  EXPECT_FALSE(APMNanoGetString(*filter, 0));  // another kind reads as absent

  auto count = APMPBNumberFilter::make();
  APMNanoSetInt32(*count, 0, 2);
  APMNanoSetMessage(*filter, 4, count.get());
  APMNanoSetInt32(*count, 0, 3);  // the setter copied
  auto read = APMNanoGetMessage<APMPBNumberFilter>(*filter, 4);
  ASSERT_TRUE(read);
  EXPECT_EQ(APMNanoGetInt32(*read, 0), 2);
  APMNanoSetInt32(*read, 0, 4);  // and the getter hands out a copy
  EXPECT_EQ(APMNanoGetInt32(*APMNanoGetMessage<APMPBNumberFilter>(*filter, 4), 0), 2);
  EXPECT_FALSE(APMNanoGetMessage<APMPBStringFilter>(*filter, 4));  // another class

  APMNanoSetString(*filter, 1, "purchase");
  APMNanoSetString(*filter, 1, std::nullopt);
  EXPECT_FALSE(APMNanoHasField(*filter, 1));
  APMNanoSetInt32(*filter, 0, 9);
  APMNanoClearField(*filter, 0);
  EXPECT_FALSE(APMNanoHasField(*filter, 0));

  EXPECT_THROW(APMNanoSetString(*filter, 0, "x"), platform::foundation::Exception);
  EXPECT_THROW(APMNanoSetMessage(*filter, 4, APMPBStringFilter::make().get()), platform::foundation::Exception);
  EXPECT_THROW(APMNanoGetInt32(*filter, 8), platform::foundation::Exception);
  EXPECT_THROW(APMNanoHasField(*filter, -1), platform::foundation::Exception);

  // Unsigned 64-bit values keep their full range.
  auto result = APMPBResultData::make();
  APMNanoSetArray(*result, 0, Array{std::uint64_t{0xFFFFFFFFFFFFFFFFull}, 1});
  auto back = APMPBResultData::initWithBuffer(result->protoBuffer());
  EXPECT_EQ(APMNanoGetArray(*back, 0), APMNanoGetArray(*result, 0));
}

TEST(NanoMessageTest, SubMessagesReadInPlaceWhetherDecodedCopiedOrSet) {
  // A sub-message set from a plain message of the right kind still reads as its typed class.
  APMNanoMessage count(APMPBNumberFilter::descriptor());
  APMNanoSetString(count, 2, "7");
  auto filter = APMPBEventFilter::make();
  APMNanoSetMessage(*filter, 4, &count);
  for (int i = 0; i < 2; ++i) {
    auto parameter = APMPBFilter::make();
    APMNanoSetString(*parameter, 3, "p" + std::to_string(i));
    APMNanoAddMessage(*filter, 2, *parameter);
  }
  auto decoded = APMPBEventFilter::initWithBuffer(filter->protoBuffer());
  ASSERT_TRUE(decoded);
  APMPBEventFilter copied;
  static_cast<APMNanoMessage&>(copied) = *decoded;
  for (const APMNanoMessage* message : {static_cast<const APMNanoMessage*>(filter.get()),
                                        static_cast<const APMNanoMessage*>(decoded.get()),
                                        static_cast<const APMNanoMessage*>(&copied)}) {
    const auto* inPlace = APMNanoMessageIn<APMPBNumberFilter>(*message, 4);
    ASSERT_TRUE(inPlace);
    ASSERT_TRUE(APMNanoStringIn(*inPlace, 2));
    EXPECT_EQ(*APMNanoStringIn(*inPlace, 2), "7");
    EXPECT_FALSE(APMNanoMessageIn<APMPBStringFilter>(*message, 4));  // another class
    EXPECT_FALSE(APMNanoStringIn(*inPlace, 3));                        // absent
    std::vector<std::string> names;
    for (const APMPBFilter& parameter : APMNanoMessagesIn<APMPBFilter>(*message, 2)) {
      names.push_back(*APMNanoStringIn(parameter, 3));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"p0", "p1"}));
  }
  // Adopted elements are the very messages handed over; only the right kind of field takes them.
  auto parameter = APMPBFilter::make();
  APMNanoAdoptMessageArray(copied, 2, std::vector<std::shared_ptr<APMPBFilter>>{parameter, nullptr});
  ASSERT_EQ(copied.values(2).size(), 1u);
  EXPECT_EQ(&*APMNanoMessagesIn<APMPBFilter>(copied, 2).begin(), parameter.get());
  EXPECT_THROW(APMNanoAdoptMessageArray(copied, 4, std::vector<std::shared_ptr<APMPBNumberFilter>>{}),
               platform::foundation::Exception);  // a singular field
  EXPECT_THROW(APMNanoAdoptMessageArray(copied, 2, std::vector<std::shared_ptr<APMPBStringFilter>>{}),
               platform::foundation::Exception);  // another kind
  EXPECT_EQ(copied.values(2).size(), 1u);
  // In-place reads see the message, not a copy: copies made before do not follow.
  auto before = APMNanoGetMessage<APMPBNumberFilter>(copied, 4);
  APMNanoSetString(count, 2, "8");
  APMNanoSetMessage(copied, 4, &count);
  EXPECT_EQ(*APMNanoStringIn(*APMNanoMessageIn<APMPBNumberFilter>(copied, 4), 2), "8");
  EXPECT_EQ(APMNanoGetString(*before, 2), "7");
  EXPECT_EQ(*APMNanoStringIn(*APMNanoMessageIn<APMPBNumberFilter>(*decoded, 4), 2), "7");
  EXPECT_TRUE(APMNanoMessagesIn<APMPBFilter>(*APMPBEventFilter::make(), 2).empty());
}

TEST(NanoMessageTest, OneDecodeMakesAtMostTheMessageLimit) {
  // Empty settings cost two bytes each on the wire and far more once made: a configuration of
  // nothing else is refused at the limit instead of filling memory.
  auto config = [](std::size_t settings) {
    Data bytes;
    bytes.reserve(settings * 2);
    for (std::size_t i = 0; i < settings; ++i) bytes.insert(bytes.end(), {0x22, 0x00});  // tag 4, empty
    return bytes;
  };
  constexpr std::size_t limit = APMNanoMessage::kMaxDecodedMessages;
  APMNanoDecodeFailure failure = APMNanoDecodeFailure::None;
  EXPECT_FALSE(APMPBMeasurementConfig::initWithBuffer(config(limit), &failure));
  EXPECT_EQ(failure, APMNanoDecodeFailure::TooManyMessages);
  EXPECT_FALSE(APMPBMeasurementConfig::initWithBuffer(config(APMNanoMessage::kMaxEncodedBytes / 2), &failure));
  EXPECT_EQ(failure, APMNanoDecodeFailure::TooManyMessages);

  // The limit counts one decode: the same message decodes again, and other failures keep their reason.
  APMPBMeasurementConfig reused;
  ASSERT_TRUE(reused.decode(config(limit - 1)));  // the configuration itself is one
  EXPECT_EQ(reused.values(3).size(), limit - 1);
  EXPECT_TRUE(reused.decode(config(3), &failure));
  EXPECT_EQ(failure, APMNanoDecodeFailure::None);
  EXPECT_EQ(reused.values(3).size(), 3u);
  EXPECT_FALSE(reused.decode(Data{0x22, 0x05}, &failure));
  EXPECT_EQ(failure, APMNanoDecodeFailure::Malformed);
  EXPECT_TRUE(reused.values(3).empty());
  EXPECT_FALSE(reused.decode(Data(APMNanoMessage::kMaxEncodedBytes + 1, 0), &failure));
  EXPECT_EQ(failure, APMNanoDecodeFailure::TooLarge);
  EXPECT_STRNE(APMNanoDecodeFailureText(APMNanoDecodeFailure::TooManyMessages),
               APMNanoDecodeFailureText(APMNanoDecodeFailure::Malformed));
}

TEST(NanoMessageTest, LargeFieldsAreKeptWhole) {
  std::string big(1 << 20, 'x');
  auto setting = APMPBSetting::make();
  APMNanoSetString(*setting, 1, big);
  auto config = APMPBMeasurementConfig::make();
  for (int i = 0; i < 3; ++i) APMNanoAddMessage(*config, 3, *setting);
  auto decoded = APMPBMeasurementConfig::initWithBuffer(config->protoBuffer());
  ASSERT_TRUE(decoded);
  auto settings = APMNanoGetMessageArray<APMPBSetting>(*decoded, 3);
  ASSERT_EQ(settings.size(), 3u);
  EXPECT_EQ(APMNanoGetString(*settings[2], 1), big);
  EXPECT_FALSE(APMPBSetting::initWithBuffer(Data(APMNanoMessage::kMaxEncodedBytes + 1, 0)));
}

TEST(ProtoConversionsTest, EventsKeepEveryParameterKind) {
  std::vector<APMParameters> items = {{{"item_id", APMValue("a")}, {"price", APMValue(9.99)}},
                                      {{"quantity", APMValue(std::int64_t{3})}}};
  auto event = APMEvent::create("auto", false, "_iap", 1700000000.123, 1699999999.5,
                                {{"_o", APMValue("auto")},
                                 {"value", APMValue(12.75)},
                                 {"count", APMValue(std::int64_t{-4})},
                                 {"name", APMValue("shoe")},
                                 {"items", APMValue(items)}});
  ASSERT_TRUE(event);
  auto message = APMPBEvent::initWithBuffer(event->protoEvent()->protoBuffer());
  ASSERT_TRUE(message);
  EXPECT_EQ(APMNanoGetInt64(*message, 2), 1700000000123);
  auto back = APMEventFromProtoEvent(*message);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->name(), "_iap");
  EXPECT_EQ(back->origin(), "auto");
  EXPECT_EQ(back->parameters(), event->parameters());
  EXPECT_DOUBLE_EQ(back->previousTimestamp(), 1699999999.5);

  APMUserAttribute attribute("app", "_ltv_EUR", APMValue(2.5), 1700000000.0);
  auto decoded = APMUserAttributeFromProto(*attribute.protoUserAttribute(), "app");
  ASSERT_TRUE(decoded);
  EXPECT_EQ(*decoded, attribute);
}

}  // namespace
