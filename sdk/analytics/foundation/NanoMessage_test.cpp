#include "sdk/analytics/foundation/NanoMessage.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/foundation/Exception.h"
#include "platform/foundation/ThreadStack.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/foundation/ProtoExperimentMessages.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/foundation/AllProtoMessages.h"
#include "sdk/analytics/foundation/ProtoProgramMessages.h"
#include "sdk/analytics/foundation/ProtoConversions.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Array;
using platform::foundation::Data;
using platform::foundation::Value;

// Sets every field of `message` through the accessors, with values that differ per index; nested
// messages are filled to `depth` levels.
void fillEveryField(NanoMessage& message, int depth) {
  for (int index = 0; index < static_cast<int>(message.fieldCount()); ++index) {
    const NanoField& field = message.field(index);
    std::int64_t n = index + 1;
    switch (field.kind) {
      case NanoFieldKind::Reserved:
        break;
      case NanoFieldKind::Message: {
        NanoMessage child(field.message());
        if (depth > 0) fillEveryField(child, depth - 1);
        if (field.repeated) {
          nanoAddMessage(message, index, child);
          nanoAddMessage(message, index, NanoMessage(field.message()));
        } else {
          nanoSetMessage(message, index, &child);
        }
        break;
      }
      default:
        if (field.repeated) {
          if (field.kind == NanoFieldKind::String || field.kind == NanoFieldKind::Bytes) {
            nanoSetArray(message, index, Array{"first", "", "third é"});
          } else {
            nanoSetArray(message, index, Array{n, 0, 300000 + n});
          }
        } else if (field.kind == NanoFieldKind::String || field.kind == NanoFieldKind::Bytes) {
          nanoSetString(message, index, "value " + std::to_string(n));
        } else if (field.kind == NanoFieldKind::Bool) {
          nanoSetBool(message, index, true);
        } else if (field.kind == NanoFieldKind::Double || field.kind == NanoFieldKind::Float) {
          nanoSetDouble(message, index, n + 0.5);
        } else if (field.kind == NanoFieldKind::Int32 || field.kind == NanoFieldKind::Int64) {
          nanoSetInt64(message, index, -n * 1000);  // negative values take ten-byte varints
        } else {
          nanoSetInt64(message, index, n * 1000);
        }
    }
  }
}

TEST(NanoMessageTest, EveryMessageRoundTripsWithEveryFieldSet) {
  ASSERT_EQ(allProtoMessages().size(), 31u);
  for (const auto& [name, descriptor] : allProtoMessages()) {
    NanoMessage message(descriptor());
    EXPECT_STREQ(message.descriptor().name, name);
    fillEveryField(message, 2);
    Data bytes = message.protoBuffer();
    auto decoded = std::make_shared<NanoMessage>(descriptor());
    ASSERT_TRUE(decoded->decode(bytes)) << name;
    EXPECT_EQ(decoded->protoBuffer(), bytes) << name;
    for (int index = 0; index < static_cast<int>(message.fieldCount()); ++index) {
      const NanoField& field = message.field(index);
      EXPECT_EQ(nanoHasField(*decoded, index), field.kind != NanoFieldKind::Reserved) << name << " " << index;
      if (field.repeated && field.kind != NanoFieldKind::Message) {
        EXPECT_EQ(nanoGetArray(*decoded, index), nanoGetArray(message, index)) << name << " " << index;
      } else if (field.kind == NanoFieldKind::String) {
        EXPECT_EQ(nanoGetString(*decoded, index), "value " + std::to_string(index + 1)) << name;
      } else if (field.kind == NanoFieldKind::Int64 || field.kind == NanoFieldKind::Int32) {
        EXPECT_EQ(nanoGetInt64(*decoded, index), -(index + 1) * 1000) << name << " " << index;
      } else if (field.kind == NanoFieldKind::Double || field.kind == NanoFieldKind::Float) {
        EXPECT_EQ(nanoGetDouble(*decoded, index), index + 1.5) << name << " " << index;
      }
    }
  }
  // An empty message encodes to nothing and decodes from nothing.
  EXPECT_TRUE(ProtoMeasurementBundle::make()->protoBuffer().empty());
  EXPECT_TRUE(ProtoMeasurementBundle::initWithBuffer({}));
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

// A statement entity holding another `depth` times.
Data nestedEntity(int depth) {
  Data entity = varint(1, 4);
  for (int i = 0; i < depth; ++i) {
    Data length;
    std::uint32_t n = static_cast<std::uint32_t>(entity.size());
    while (n >= 0x80) {
      length.push_back(static_cast<std::uint8_t>(n | 0x80));
      n >>= 7;
    }
    length.push_back(static_cast<std::uint8_t>(n));
    entity = cat({varint(1, 4), key(2, 2), length, entity});
  }
  return entity;
}

TEST(NanoMessageTest, HandBuiltBytesDecodeToTheExpectedIndices) {
  Data parameter = cat({text(1, "price"), key(5, 1), Data{0, 0, 0, 0, 0, 0, 0x04, 0x40}});  // 2.5 as a double
  Data event = cat({lengthDelimited(1, parameter), text(2, "_vs"), varint(3, 42), varint(4, 7)});
  Data bundle = cat({varint(1, 1), lengthDelimited(2, event), varint(26, 9), varint(7, 8), text(27, "vendor"),
                     varint(20, 1), varint(23, 5), text(24, "monitor"), varint(39, 2), varint(45, 11), varint(45, 12),
                     varint(53, 3), text(52, "G1--"), varint(15, 99), text(22, "reserved")});
  auto decoded = ProtoMeasurementBundle::initWithBuffer(bundle);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(nanoGetInt32(*decoded, 0), 1);
  EXPECT_EQ(nanoGetInt64(*decoded, 6), 9);
  EXPECT_EQ(nanoGetInt64(*decoded, 7), 8);
  EXPECT_EQ(nanoGetString(*decoded, 20), "vendor");
  EXPECT_TRUE(nanoGetBool(*decoded, 21));
  EXPECT_EQ(nanoGetInt32(*decoded, 24), 5);
  EXPECT_EQ(nanoGetString(*decoded, 25), "monitor");
  EXPECT_EQ(nanoGetInt32(*decoded, 35), 2);
  EXPECT_EQ(nanoGetArray(*decoded, 37), (Array{11, 12}));
  EXPECT_EQ(nanoGetInt32(*decoded, 41), 3);
  EXPECT_EQ(nanoGetString(*decoded, 40), "G1--");
  EXPECT_FALSE(nanoHasField(*decoded, 15));  // reserved indices skip their tags
  EXPECT_FALSE(nanoHasField(*decoded, 23));
  auto events = nanoGetMessageArray<ProtoEvent>(*decoded, 1);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(nanoGetString(*events[0], 1), "_vs");
  EXPECT_EQ(nanoGetInt64(*events[0], 2), 42);
  EXPECT_EQ(nanoGetInt64(*events[0], 3), 7);
  auto params = nanoGetMessageArray<ProtoEventParam>(*events[0], 0);
  ASSERT_EQ(params.size(), 1u);
  EXPECT_EQ(nanoGetDouble(*params[0], 4), 2.5);

  // The bytes we write for the same content are the hand-built ones, minus the skipped fields and in
  // tag order.
  Data canonical = cat({varint(1, 1), lengthDelimited(2, event), varint(7, 8), varint(20, 1), varint(23, 5),
                        text(24, "monitor"), varint(26, 9), text(27, "vendor"), varint(39, 2), varint(45, 11),
                        varint(45, 12), text(52, "G1--"), varint(53, 3)});
  EXPECT_EQ(decoded->protoBuffer(), canonical);
}

// A message keeps its values by field whatever order the wire gives them in: a repeated field's in
// their own order, a singular field's last occurrence. Changing one field, short or long, leaves the
// others as they were.
TEST(NanoMessageTest, FieldsInAnyWireOrderKeepTheirValuesByField) {
  Data bytes = cat({varint(45, 100), text(27, "first"), varint(1, 1)});
  Array words{100};
  for (std::uint8_t n = 101; n < 120; ++n) {
    bytes = cat({bytes, varint(45, n), n == 110 ? text(27, "last") : Data{}});
    words.emplace_back(n);
  }
  auto bundle = ProtoMeasurementBundle::initWithBuffer(bytes);
  ASSERT_TRUE(bundle);
  EXPECT_EQ(nanoGetArray(*bundle, 37), words);
  EXPECT_EQ(nanoGetString(*bundle, 20), "last");
  EXPECT_EQ(nanoGetInt32(*bundle, 0), 1);
  Data canonical = cat({varint(1, 1), text(27, "last")});
  for (std::uint8_t n = 100; n < 120; ++n) canonical = cat({canonical, varint(45, n)});
  EXPECT_EQ(bundle->protoBuffer(), canonical);

  nanoSetArray(*bundle, 37, Array{5});
  nanoSetString(*bundle, 20, "again");
  nanoSetInt32(*bundle, 0, 2);
  EXPECT_EQ(bundle->protoBuffer(), cat({varint(1, 2), text(27, "again"), varint(45, 5)}));
  nanoSetArray(*bundle, 37, Array{5, 6, 7});
  nanoSetInt32(*bundle, 41, 3);
  nanoClearField(*bundle, 20);
  EXPECT_EQ(bundle->protoBuffer(), cat({varint(1, 2), varint(45, 5), varint(45, 6), varint(45, 7), varint(53, 3)}));
  EXPECT_EQ(nanoGetInt32(*bundle, 41), 3);
  EXPECT_FALSE(nanoHasField(*bundle, 20));
}

TEST(NanoMessageTest, BundleIndexToTagPairing) {
  const std::pair<int, std::uint32_t> pairs[] = {
      {0, 1},   {1, 2},   {2, 3},   {3, 4},   {4, 5},   {5, 6},   {6, 26},  {7, 7},   {8, 8},   {9, 9},
      {10, 10}, {11, 11}, {12, 12}, {13, 13}, {14, 14}, {15, 15}, {16, 16}, {17, 17}, {18, 18}, {19, 19},
      {20, 27}, {21, 20}, {22, 21}, {23, 22}, {24, 23}, {25, 24}, {26, 25}, {27, 28}, {28, 29}, {29, 30},
      {30, 31}, {31, 32}, {32, 33}, {33, 34}, {34, 35}, {35, 39}, {36, 41}, {37, 45}, {38, 47}, {39, 50},
      {40, 52}, {41, 53}, {42, 55}, {43, 57}, {44, 58}, {45, 59},
  };
  const NanoDescriptor& bundle = ProtoMeasurementBundle::descriptor();
  ASSERT_EQ(bundle.fields.size(), 46u);
  for (const auto& [index, tag] : pairs) {
    const NanoField& field = bundle.fields[static_cast<std::size_t>(index)];
    if (field.kind != NanoFieldKind::Reserved) {  // never typed: kept as a place, skipped on the wire
      EXPECT_EQ(field.tag, tag) << "index " << index;
    }
  }
  for (const auto& [name, descriptor] : allProtoMessages()) {
    if (std::string(name) == "APMPBMeasurementBundle") continue;
    const NanoDescriptor& d = descriptor();
    for (std::size_t i = 0; i < d.fields.size(); ++i) {
      if (d.fields[i].kind != NanoFieldKind::Reserved) {
        EXPECT_EQ(d.fields[i].tag, i + 1) << name << " " << i;
      }
    }
  }
}

TEST(NanoMessageTest, BadInputGivesNoMessage) {
  Data good = makeProtoEvent(*AnalyticsEvent::create("app", false, "_e", 1, 0, {{"a", AnalyticsValue("b")}}))->protoBuffer();
  // Every cut inside the first (length-delimited) field; a cut between fields is a shorter message.
  ASSERT_EQ(good[0], 0x0A);
  for (std::size_t cut = 1; cut < 2u + good[1]; ++cut) {
    Data truncated(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_FALSE(ProtoEvent::initWithBuffer(truncated)) << cut;
  }
  const Data corrupt[] = {
      {0x00},                          // tag 0
      {0x0A, 0x05, 0x01},              // length past the end
      {0x0B},                          // group start: not supported
      {0x10, 0xFF, 0xFF, 0xFF},        // unterminated varint
      {0x12, 0x02, 0x0A, 0x09},        // sub-message whose own length runs past its end
      {0x08, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x01},  // eleven-byte varint
  };
  for (const Data& bytes : corrupt) EXPECT_FALSE(ProtoRuntimeEntity::initWithBuffer(bytes));

  // Nesting through the runtime entity's arguments: fine up to the limit, refused beyond it.
  EXPECT_TRUE(ProtoRuntimeEntity::initWithBuffer(nestedEntity(NanoMessage::kMaxDepth)));
  NanoDecodeFailure tooDeep = NanoDecodeFailure::None;
  EXPECT_FALSE(ProtoRuntimeEntity::initWithBuffer(nestedEntity(NanoMessage::kMaxDepth + 1), &tooDeep));
  EXPECT_EQ(tooDeep, NanoDecodeFailure::TooDeep);
  EXPECT_FALSE(ProtoRuntimeEntity::initWithBuffer(nestedEntity(2000)));

  // Unknown fields and fields of an unexpected wire type are skipped.
  auto skipped = ProtoSetting::initWithBuffer(cat({text(1, "name"), varint(9, 3), varint(2, 5), text(2, "v")}));
  ASSERT_TRUE(skipped);
  EXPECT_EQ(nanoGetString(*skipped, 0), "name");
  EXPECT_EQ(nanoGetString(*skipped, 1), "v");
}

// Recurses a kilobyte a level until less than `left` of the stack is left, and runs `work` there.
[[gnu::noinline]] int withStackLeft(std::size_t left, const std::function<void()>& work) {
  volatile char frame[1024] = {};
  if (platform::foundation::ThreadStack::bytesLeft() < left) {
    work();
    return frame[0];
  }
  return withStackLeft(left, work) + frame[1];
}

// A thread whose stack cannot hold a nesting with room to spare refuses it as too deep instead of
// running out, and still decodes every other kind of message.
TEST(NanoMessageTest, NestingTheStackCannotHoldIsRefusedAsTooDeep) {
  const Data deep = nestedEntity(NanoMessage::kMaxDepth);
  const Data event =
      makeProtoEvent(*AnalyticsEvent::create("app", false, "_e", 1, 0, {{"a", AnalyticsValue("b")}}))->protoBuffer();
  NanoDecodeFailure failure = NanoDecodeFailure::None;
  bool eventDecoded = false;
  withStackLeft(128u << 10, [&] {
    EXPECT_FALSE(ProtoRuntimeEntity::initWithBuffer(deep, &failure));
    eventDecoded = ProtoEvent::initWithBuffer(event) != nullptr;
  });
  EXPECT_EQ(failure, NanoDecodeFailure::TooDeep);
  EXPECT_TRUE(eventDecoded);
  EXPECT_TRUE(ProtoRuntimeEntity::initWithBuffer(deep));
}

TEST(NanoMessageTest, PackedAndUnpackedRepeatedNumbersBothRead) {
  Data packed = cat({key(1, 2), Data{3, 1, 0x80, 0x01}, varint(1, 7), key(2, 2), Data{0}});
  auto result = ProtoResultData::initWithBuffer(packed);
  ASSERT_TRUE(result);
  EXPECT_EQ(nanoGetArray(*result, 0), (Array{1, 128, 7}));
  EXPECT_TRUE(nanoGetArray(*result, 1).empty());
  EXPECT_FALSE(ProtoResultData::initWithBuffer(cat({key(1, 2), Data{2, 0x80}})));  // cut inside the packed run
}

TEST(NanoMessageTest, EqualContentGivesEqualBytes) {
  auto a = ProtoFlag::make();
  nanoSetBool(*a, 4, false);
  nanoSetString(*a, 0, "flag");
  nanoSetDouble(*a, 3, 1.25);
  auto b = ProtoFlag::make();
  nanoSetDouble(*b, 3, 1.25);
  nanoSetString(*b, 0, "flag");
  nanoSetBool(*b, 4, false);
  EXPECT_EQ(a->protoBuffer(), b->protoBuffer());
  EXPECT_EQ(*a, *b);
  nanoSetString(*b, 2, "");
  EXPECT_NE(*a, *b);  // a present empty string is content
}

TEST(NanoMessageTest, AccessorAnswersForAbsentFieldsAndCopies) {
  auto filter = ProtoEventFilter::make();
  EXPECT_FALSE(nanoHasField(*filter, 1));
  EXPECT_TRUE(nanoHasField(*filter, 2));  // repeated
  EXPECT_FALSE(nanoGetString(*filter, 1));
  EXPECT_EQ(nanoGetInt32(*filter, 0), 0);
  EXPECT_FALSE(nanoGetBool(*filter, 5));
  EXPECT_FALSE(nanoGetMessage<ProtoNumberFilter>(*filter, 4));
  EXPECT_FALSE(nanoGetString(*filter, 0));  // another kind reads as absent

  auto count = ProtoNumberFilter::make();
  nanoSetInt32(*count, 0, 2);
  nanoSetMessage(*filter, 4, count.get());
  nanoSetInt32(*count, 0, 3);  // the setter copied
  auto read = nanoGetMessage<ProtoNumberFilter>(*filter, 4);
  ASSERT_TRUE(read);
  EXPECT_EQ(nanoGetInt32(*read, 0), 2);
  nanoSetInt32(*read, 0, 4);  // and the getter hands out a copy
  EXPECT_EQ(nanoGetInt32(*nanoGetMessage<ProtoNumberFilter>(*filter, 4), 0), 2);
  EXPECT_FALSE(nanoGetMessage<ProtoStringFilter>(*filter, 4));  // another class

  nanoSetString(*filter, 1, "purchase");
  nanoSetString(*filter, 1, std::nullopt);
  EXPECT_FALSE(nanoHasField(*filter, 1));
  nanoSetInt32(*filter, 0, 9);
  nanoClearField(*filter, 0);
  EXPECT_FALSE(nanoHasField(*filter, 0));

  EXPECT_THROW(nanoSetString(*filter, 0, "x"), platform::foundation::Exception);
  EXPECT_THROW(nanoSetMessage(*filter, 4, ProtoStringFilter::make().get()), platform::foundation::Exception);
  EXPECT_THROW(nanoGetInt32(*filter, 8), platform::foundation::Exception);
  EXPECT_THROW(nanoHasField(*filter, -1), platform::foundation::Exception);

  // Unsigned 64-bit values keep their full range.
  auto result = ProtoResultData::make();
  nanoSetArray(*result, 0, Array{std::uint64_t{0xFFFFFFFFFFFFFFFFull}, 1});
  auto back = ProtoResultData::initWithBuffer(result->protoBuffer());
  EXPECT_EQ(nanoGetArray(*back, 0), nanoGetArray(*result, 0));
}

TEST(NanoMessageTest, SubMessagesReadInPlaceWhetherDecodedCopiedOrSet) {
  // A sub-message set from a plain message of the right kind still reads as its typed class.
  NanoMessage count(ProtoNumberFilter::descriptor());
  nanoSetString(count, 2, "7");
  auto filter = ProtoEventFilter::make();
  nanoSetMessage(*filter, 4, &count);
  for (int i = 0; i < 2; ++i) {
    auto parameter = ProtoFilter::make();
    nanoSetString(*parameter, 3, "p" + std::to_string(i));
    nanoAddMessage(*filter, 2, *parameter);
  }
  auto decoded = ProtoEventFilter::initWithBuffer(filter->protoBuffer());
  ASSERT_TRUE(decoded);
  ProtoEventFilter copied;
  static_cast<NanoMessage&>(copied) = *decoded;
  for (const NanoMessage* message : {static_cast<const NanoMessage*>(filter.get()),
                                        static_cast<const NanoMessage*>(decoded.get()),
                                        static_cast<const NanoMessage*>(&copied)}) {
    const auto* inPlace = nanoMessageIn<ProtoNumberFilter>(*message, 4);
    ASSERT_TRUE(inPlace);
    ASSERT_TRUE(nanoStringIn(*inPlace, 2));
    EXPECT_EQ(*nanoStringIn(*inPlace, 2), "7");
    EXPECT_FALSE(nanoMessageIn<ProtoStringFilter>(*message, 4));  // another class
    EXPECT_FALSE(nanoStringIn(*inPlace, 3));                        // absent
    std::vector<std::string> names;
    for (const ProtoFilter& parameter : nanoMessagesIn<ProtoFilter>(*message, 2)) {
      names.push_back(*nanoStringIn(parameter, 3));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"p0", "p1"}));
  }
  // Adopted elements are the very messages handed over; only the right kind of field takes them.
  auto parameter = ProtoFilter::make();
  nanoAdoptMessageArray(copied, 2, std::vector<std::shared_ptr<ProtoFilter>>{parameter, nullptr});
  ASSERT_EQ(copied.values(2).size(), 1u);
  EXPECT_EQ(&*nanoMessagesIn<ProtoFilter>(copied, 2).begin(), parameter.get());
  EXPECT_THROW(nanoAdoptMessageArray(copied, 4, std::vector<std::shared_ptr<ProtoNumberFilter>>{}),
               platform::foundation::Exception);  // a singular field
  EXPECT_THROW(nanoAdoptMessageArray(copied, 2, std::vector<std::shared_ptr<ProtoStringFilter>>{}),
               platform::foundation::Exception);  // another kind
  EXPECT_EQ(copied.values(2).size(), 1u);
  // In-place reads see the message, not a copy: copies made before do not follow.
  auto before = nanoGetMessage<ProtoNumberFilter>(copied, 4);
  nanoSetString(count, 2, "8");
  nanoSetMessage(copied, 4, &count);
  EXPECT_EQ(*nanoStringIn(*nanoMessageIn<ProtoNumberFilter>(copied, 4), 2), "8");
  EXPECT_EQ(nanoGetString(*before, 2), "7");
  EXPECT_EQ(*nanoStringIn(*nanoMessageIn<ProtoNumberFilter>(*decoded, 4), 2), "7");
  EXPECT_TRUE(nanoMessagesIn<ProtoFilter>(*ProtoEventFilter::make(), 2).empty());
}

TEST(NanoMessageTest, OneDecodeMakesAtMostTheMessageLimit) {
  // Empty settings cost two bytes each on the wire and far more once made: a configuration of
  // nothing else is refused by the message limit, or by their memory first in a smaller budget.
  auto config = [](std::size_t settings) {
    Data bytes;
    bytes.reserve(settings * 2);
    for (std::size_t i = 0; i < settings; ++i) bytes.insert(bytes.end(), {0x22, 0x00});  // tag 4, empty
    return bytes;
  };
  constexpr std::size_t limit = NanoMessage::kMaxDecodedMessages;
  NanoDecodeFailure failure = NanoDecodeFailure::None;
  EXPECT_FALSE(ProtoMeasurementConfig::initWithBuffer(config(limit), &failure));
  EXPECT_EQ(failure, NanoDecodeFailure::TooManyMessages);
  // Twice as many as the fetch could bring: their list alone passes the ceiling.
  EXPECT_FALSE(ProtoMeasurementConfig::initWithBuffer(config(NanoMessage::kMaxEncodedBytes / 2), &failure));
  EXPECT_EQ(failure, NanoDecodeFailure::TooMuchMemory);
  const NanoDecodeBudget small{1u << 20};
  EXPECT_FALSE(ProtoMeasurementConfig::initWithBuffer(config(limit), &failure, small));
  EXPECT_EQ(failure, NanoDecodeFailure::TooMuchMemory);

  // The limit counts one decode: the same message decodes again, and other failures keep their reason.
  ProtoMeasurementConfig reused;
  ASSERT_TRUE(reused.decode(config(limit - 1)));  // the configuration itself is one
  EXPECT_EQ(reused.values(3).size(), limit - 1);
  EXPECT_TRUE(reused.decode(config(3), &failure));
  EXPECT_EQ(failure, NanoDecodeFailure::None);
  EXPECT_EQ(reused.values(3).size(), 3u);
  EXPECT_FALSE(reused.decode(Data{0x22, 0x05}, &failure));
  EXPECT_EQ(failure, NanoDecodeFailure::Malformed);
  EXPECT_TRUE(reused.values(3).empty());
  EXPECT_FALSE(reused.decode(Data(NanoMessage::kMaxEncodedBytes + 1, 0), &failure));
  EXPECT_EQ(failure, NanoDecodeFailure::TooLarge);
  EXPECT_STRNE(nanoDecodeFailureText(NanoDecodeFailure::TooManyMessages),
               nanoDecodeFailureText(NanoDecodeFailure::Malformed));
}

// What a decode makes is bounded by the bytes it reads: shapes that take many times their size once
// made (tiny packed numbers, empty texts, empty messages) are refused past the budget's multiple,
// while the same fields holding what they are for decode whole, packed numbers without spare room.
TEST(NanoMessageTest, ADecodeHoldsAtMostItsBudgetOfMemory) {
  auto repeated = [](std::size_t count, const Data& one) {
    Data bytes;
    bytes.reserve(count * one.size());
    for (std::size_t i = 0; i < count; ++i) bytes.insert(bytes.end(), one.begin(), one.end());
    return bytes;
  };
  auto packedWords = [&](std::size_t count, const Data& word) {
    const Data words = repeated(count, word);
    Data bytes{0x0a};  // tag 1, length-delimited
    for (std::size_t n = words.size(); ; n >>= 7) {
      bytes.push_back(static_cast<std::uint8_t>((n & 0x7F) | (n > 0x7F ? 0x80 : 0)));
      if (n <= 0x7F) break;
    }
    bytes.insert(bytes.end(), words.begin(), words.end());
    return bytes;
  };
  NanoDecodeFailure failure = NanoDecodeFailure::None;
  const Data zeroWords = packedWords(1 << 20, Data{0x00});
  EXPECT_FALSE(ProtoResultData::initWithBuffer(zeroWords, &failure));
  EXPECT_EQ(failure, NanoDecodeFailure::TooMuchMemory);
  EXPECT_FALSE(ProtoResultData::initWithBuffer(zeroWords, &failure, NanoDecodeBudget::ownData()));
  const Data fullWords = packedWords(100'000, Data{0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x01});
  auto words = ProtoResultData::initWithBuffer(fullWords, &failure);
  ASSERT_TRUE(words);
  EXPECT_EQ(words->values(0).size(), 100'000u);
  // The list is made at its size: a budget of little more than its entries takes it.
  EXPECT_TRUE(ProtoResultData::initWithBuffer(fullWords, &failure, NanoDecodeBudget{100'000 * sizeof(NanoEntry) + 1024}));
  EXPECT_FALSE(ProtoResultData::initWithBuffer(fullWords, &failure, NanoDecodeBudget{99'000 * sizeof(NanoEntry)}));

  auto filter = [&](std::size_t texts, const Data& text) { return repeated(texts, text); };
  EXPECT_FALSE(ProtoStringFilter::initWithBuffer(filter(1 << 20, Data{0x22, 0x00}), &failure));
  EXPECT_EQ(failure, NanoDecodeFailure::TooMuchMemory);
  EXPECT_TRUE(ProtoStringFilter::initWithBuffer(filter(20'000, Data{0x22, 0x03, 'a', 'b', 'c'}), &failure));
}

TEST(NanoMessageTest, LargeFieldsAreKeptWhole) {
  std::string big(1 << 20, 'x');
  auto setting = ProtoSetting::make();
  nanoSetString(*setting, 1, big);
  auto config = ProtoMeasurementConfig::make();
  for (int i = 0; i < 3; ++i) nanoAddMessage(*config, 3, *setting);
  auto decoded = ProtoMeasurementConfig::initWithBuffer(config->protoBuffer());
  ASSERT_TRUE(decoded);
  auto settings = nanoGetMessageArray<ProtoSetting>(*decoded, 3);
  ASSERT_EQ(settings.size(), 3u);
  EXPECT_EQ(nanoGetString(*settings[2], 1), big);
  EXPECT_FALSE(ProtoSetting::initWithBuffer(Data(NanoMessage::kMaxEncodedBytes + 1, 0)));
}

TEST(ProtoConversionsTest, EventsKeepEveryParameterKind) {
  std::vector<Parameters> items = {{{"item_id", AnalyticsValue("a")}, {"price", AnalyticsValue(9.99)}},
                                      {{"quantity", AnalyticsValue(std::int64_t{3})}}};
  auto event = AnalyticsEvent::create("auto", false, "_iap", 1700000000.123, 1699999999.5,
                                {{"_o", AnalyticsValue("auto")},
                                 {"value", AnalyticsValue(12.75)},
                                 {"count", AnalyticsValue(std::int64_t{-4})},
                                 {"name", AnalyticsValue("shoe")},
                                 {"items", AnalyticsValue(items)}});
  ASSERT_TRUE(event);
  auto message = ProtoEvent::initWithBuffer(event->protoEvent()->protoBuffer());
  ASSERT_TRUE(message);
  EXPECT_EQ(nanoGetInt64(*message, 2), 1700000000123);
  auto back = eventFromProtoEvent(*message);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->name(), "_iap");
  EXPECT_EQ(back->origin(), "auto");
  EXPECT_EQ(back->parameters(), event->parameters());
  EXPECT_DOUBLE_EQ(back->previousTimestamp(), 1699999999.5);

  UserAttribute attribute("app", "_ltv_EUR", AnalyticsValue(2.5), 1700000000.0);
  auto decoded = userAttributeFromProto(*attribute.protoUserAttribute(), "app");
  ASSERT_TRUE(decoded);
  EXPECT_EQ(*decoded, attribute);
}

}  // namespace

}  // namespace sdk::analytics

