#include "platform/foundation/KeyedArchive.h"

#include <gtest/gtest.h>

#include "platform/foundation/PropertyList.h"

#include <functional>

using namespace platform::foundation;

namespace {

using K = KeyedArchive;

// A record with a nested record, as stored items hold their tokens.
class TokenRecord : public KeyedCodable {
 public:
  static constexpr const char* kClassName = "TestTokenRecord";
  std::string token;
  std::int64_t status = 0;
  Value expires;

  std::string className() const override { return kClassName; }
  void encodeWithCoder(KeyedArchiver& coder) const override {
    coder.encodeObject(Value(token), "token");
    coder.encodeInt64(status, "status");
    coder.encodeObject(expires, "expires");
  }
  static std::shared_ptr<TokenRecord> initWithCoder(KeyedUnarchiver& coder) {
    auto record = std::make_shared<TokenRecord>();
    auto token = coder.decodeString("token");
    if (!token) return nullptr;
    record->token = *token;
    record->status = coder.decodeInt64("status");
    record->expires = coder.decodeObjectOfClass(K::kDate, "expires");
    return record;
  }
};

class Uncodable : public Object {};

const K::ClassSet kPlain = {K::kString, K::kNumber, K::kData, K::kDate, K::kArray, K::kDictionary, K::kNull};

Data archive(const Value& value) {
  Error error;
  auto data = K::archivedData(value, &error);
  EXPECT_TRUE(data.has_value()) << error;
  return data.value_or(Data());
}

// Rewrites one entry of an archive's object table, as a damaged or hostile file would hold it.
Data withObject(const Data& data, std::size_t index, Value entry) {
  Value archive = PropertyList::read(data);
  (*archive.dictionary())["$objects"].array()->at(index) = std::move(entry);
  return PropertyList::write(archive, PropertyList::Format::Binary);
}

Value uid(std::int64_t n) { return Value(Dictionary{{"CF$UID", Value(n)}}); }

// An archive of one token record, with the record's class registered.
Data recordArchive(const std::string& token, std::int64_t status = 0, Value expires = {}) {
  K::registerClass<TokenRecord>();
  auto record = std::make_shared<TokenRecord>();
  record->token = token;
  record->status = status;
  record->expires = std::move(expires);
  return archive(Value(record));
}

// The archive with every object-table entry that `change` rewrites, as another release or a hostile
// file would hold it.
Data rewritten(const Data& data, const std::function<void(Value&)>& change) {
  Value archiveValue = PropertyList::read(data);
  for (Value& entry : *(*archiveValue.dictionary())["$objects"].array()) change(entry);
  return PropertyList::write(archiveValue, PropertyList::Format::Binary);
}

}  // namespace

TEST(KeyedArchiveTest, PlainValuesRoundTripAndObjectsWithoutArchivingSupportAreRefused) {
  Value nested(Dictionary{{"when", Value::date(1700000000.25)},
                          {"list", Value(Array{Value(1), Value(2.5), Value(true), Value("same"), Value("same")})},
                          {"bytes", Value::data({0, 1, 255})},
                          {"nothing", Value::null()},
                          {"early", Value::date(-5e9)}});
  Error error;
  EXPECT_EQ(K::unarchivedObject(kPlain, archive(nested), &error), nested) << error;
  EXPECT_TRUE(K::unarchivedObject(kPlain, archive(Value()), &error).isNil());  // a nil root is valid

  EXPECT_FALSE(K::archivedData(Value(Array{Value(std::make_shared<Uncodable>())}), &error));
  EXPECT_EQ(error.domain, K::kErrorDomain);
  EXPECT_EQ(error.code, K::kInvalidValueError);
}

TEST(KeyedArchiveTest, RegisteredClassesRoundTripAndClassesOutsideTheAllowedSetAreRefusedAtAnyDepth) {
  Data data = recordArchive("abc", 1, Value::date(1800000000));
  Error error;
  auto back = K::unarchivedObject({K::kDictionary, K::kString, TokenRecord::kClassName}, data, &error)
                  .objectAs<TokenRecord>();
  ASSERT_TRUE(back) << error;
  EXPECT_EQ(back->token, "abc");
  EXPECT_EQ(back->status, 1);
  EXPECT_EQ(back->expires, Value::date(1800000000));

  Data nested = archive(Value(Array{Value(back)}));
  EXPECT_TRUE(K::unarchivedObject({K::kArray}, nested, &error).isNil());
  EXPECT_EQ(error.domain, K::kErrorDomain);
  EXPECT_EQ(error.code, K::kReadCorruptError);
  EXPECT_NE(error.localizedDescription().find("TestTokenRecord"), std::string::npos);
  // Numbers inside a dictionary need the number kind too.
  error = {};
  EXPECT_TRUE(K::unarchivedObject({K::kDictionary, K::kString}, archive(Value(Dictionary{{"n", Value(1)}})), &error).isNil());
  EXPECT_EQ(error.code, K::kReadCorruptError);
}

TEST(KeyedArchiveTest, LegacyClassNamesMapToTheirNewReadersAndUnknownOrRefusingReadersFail) {
  Data data = recordArchive("old");
  Data legacy = rewritten(data, [](Value& entry) {
    if (entry["$classname"] == Value(TokenRecord::kClassName)) entry.set("$classname", Value("OldTokenInfo"));
  });
  Error error;
  EXPECT_TRUE(K::unarchivedObject({TokenRecord::kClassName}, legacy, &error).isNil());
  EXPECT_EQ(error.code, K::kReadCorruptError);
  Value read = K::unarchivedObject({TokenRecord::kClassName}, legacy, &error, {{"OldTokenInfo", TokenRecord::kClassName}});
  ASSERT_TRUE(read.objectAs<TokenRecord>());
  EXPECT_EQ(read.objectAs<TokenRecord>()->token, "old");

  EXPECT_TRUE(K::unarchivedObject({"NeverRegistered"}, data, &error, {{TokenRecord::kClassName, "NeverRegistered"}}).isNil());
  EXPECT_EQ(error.code, K::kReadCorruptError);
  // A record whose token was replaced by a number is refused by its reader.
  Data numbered = rewritten(data, [](Value& entry) {
    if (entry == Value("old")) entry = Value(5);
  });
  EXPECT_TRUE(K::unarchivedObject({TokenRecord::kClassName}, numbered, &error).isNil());
  EXPECT_EQ(error.code, K::kReadCorruptError);
}

TEST(KeyedArchiveTest, DamagedArchivesFailWithAnErrorInsteadOfCrashing) {
  // Table: 0 nil, 1 outer array, 2 inner array, 3 "x", 4 the array class.
  Data good = archive(Value(Array{Value(Array{Value("x")})}));
  ASSERT_EQ(PropertyList::read(good)["$objects"].at(4)["$classname"], Value("Array"));
  const std::vector<std::pair<const char*, Data>> damaged = {
      {"empty", Data()},
      {"random", Data{1, 2, 3, 4, 5}},
      {"not an archive", PropertyList::write(Value(Dictionary{{"a", Value(1)}}), PropertyList::Format::Binary)},
      {"dangling reference", withObject(good, 1, Value(Dictionary{{"$class", uid(4)}, {"items", Value(Array{uid(99)})}}))},
      // Entry 1 is the outer array: make it contain itself.
      {"cycle", withObject(good, 1, Value(Dictionary{{"$class", uid(4)}, {"items", Value(Array{uid(1)})}}))},
      {"class entry is no class", withObject(good, 4, Value(42))},
      {"dictionary without values",
       withObject(good, 1, Value(Dictionary{{"$class", uid(4)}, {"keys", Value(Array{uid(0)})}}))},
  };
  for (const auto& [what, data] : damaged) {
    Error error;
    EXPECT_TRUE(K::unarchivedObject(kPlain, data, &error).isNil()) << what;
    EXPECT_EQ(error.domain, K::kErrorDomain) << what;
    EXPECT_EQ(error.code, K::kReadCorruptError) << what;
  }
}
