#include "platform/security/Keychain.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/AtomicFile.h"
#include "platform/security/RandomBytes.h"
#include "testing/ChildProcess.h"
#include "testing/TempContainer.h"

using namespace platform::foundation;
using namespace platform::security;
using K = Keychain;

namespace {

constexpr const char* kRoleVariable = "OSTREL_KEYCHAIN_TEST_ROLE";

Value query(const std::string& service, const std::string& account, const char* group = nullptr) {
  Dictionary q = {{K::kClass, Value(K::kClassGenericPassword)}, {K::kService, Value(service)}, {K::kAccount, Value(account)}};
  if (group) q[K::kAccessGroup] = Value(group);
  return Value(std::move(q));
}

Value with(Value base, const std::string& key, Value value) {
  base.set(key, std::move(value));
  return base;
}

Value bytes(const std::string& text) { return Value::data(Data(text.begin(), text.end())); }

Value readData(const Value& q, Status* status = nullptr) {
  Value result;
  Status s = K::copyMatching(with(q, K::kReturnData, Value(true)), &result);
  if (status) *status = s;
  return result;
}

pid_t spawnChild(const std::string& test, const std::string& role, const std::string& root) {
  return ostrel::testing::spawnTestChild(test, {std::string(kRoleVariable) + "=" + role, "OSTREL_HOME=" + root});
}

std::vector<std::string> itemFiles() {
  std::vector<std::string> out;
  for (const auto& entry : std::filesystem::directory_iterator(K::folder())) {
    if (entry.path().filename().string().front() != '.') out.push_back(entry.path().string());
  }
  return out;
}

class KeychainTest : public ::testing::Test {
 protected:
  ostrel::testing::TempContainer container;
};

}  // namespace

TEST_F(KeychainTest, ItemLifecycleReportsTheExpectedStatuses) {
  Value q = query("svc", "acct");
  EXPECT_EQ(readData(q).isNil(), true);
  Status status = 0;
  readData(q, &status);
  EXPECT_EQ(status, kStatusItemNotFound);

  ASSERT_EQ(K::add(with(with(q, K::kValueData, bytes("one")), K::kAccessible,
                        Value(K::kAccessibleAfterFirstUnlockThisDeviceOnly))),
            kStatusSuccess);
  EXPECT_EQ(K::add(with(q, K::kValueData, bytes("again"))), kStatusDuplicateItem);
  EXPECT_EQ(readData(q), bytes("one"));

  ASSERT_EQ(K::update(q, Value(Dictionary{{K::kValueData, bytes("two")}})), kStatusSuccess);
  Value attributes;
  ASSERT_EQ(K::copyMatching(with(q, K::kReturnAttributes, Value(true)), &attributes), kStatusSuccess);
  EXPECT_EQ(attributes[K::kAccessible], Value(K::kAccessibleAfterFirstUnlockThisDeviceOnly));
  EXPECT_TRUE(attributes[K::kValueData].isNil());
  EXPECT_TRUE(attributes[K::kCreationDate].isDate());
  EXPECT_EQ(readData(q), bytes("two"));

  EXPECT_EQ(K::update(query("svc", "nobody"), Value(Dictionary{{K::kValueData, bytes("x")}})), kStatusItemNotFound);
  EXPECT_EQ(K::remove(q), kStatusSuccess);
  EXPECT_EQ(K::remove(q), kStatusItemNotFound);
  EXPECT_TRUE(itemFiles().empty());
}

TEST_F(KeychainTest, AccessGroupsKeepItemsApart) {
  ASSERT_EQ(K::add(with(query("svc", "k", "group.a"), K::kValueData, bytes("a"))), kStatusSuccess);
  ASSERT_EQ(K::add(with(query("svc", "k", "group.b"), K::kValueData, bytes("b"))), kStatusSuccess);
  ASSERT_EQ(K::add(with(query("svc", "k"), K::kValueData, bytes("default"))), kStatusSuccess);

  EXPECT_EQ(readData(query("svc", "k", "group.b")), bytes("b"));
  EXPECT_EQ(readData(query("svc", "k", "")), bytes("default"));
  Value all;
  ASSERT_EQ(K::copyMatching(with(with(query("svc", "k"), K::kReturnData, Value(true)), K::kMatchLimit, Value(K::kMatchLimitAll)),
                            &all),
            kStatusSuccess);
  EXPECT_EQ(all.size(), 3u);

  ASSERT_EQ(K::remove(query("svc", "k", "group.a")), kStatusSuccess);
  EXPECT_EQ(readData(query("svc", "k", "group.b")), bytes("b"));
  // Moving an item onto another's identity is refused.
  EXPECT_EQ(K::update(query("svc", "k", "group.b"), Value(Dictionary{{K::kAccessGroup, Value("")}})), kStatusDuplicateItem);
  EXPECT_EQ(K::update(query("svc", "k", "group.b"), Value(Dictionary{{K::kAccount, Value("moved")}})), kStatusSuccess);
  EXPECT_EQ(readData(query("svc", "moved")), bytes("b"));
  EXPECT_EQ(itemFiles().size(), 2u);
}

TEST_F(KeychainTest, MalformedQueriesAreRefusedWithParam) {
  const std::vector<Value> bad = {
      Value("not a dictionary"),
      Value(Dictionary{{K::kService, Value("svc")}}),  // no class
      with(query("s", "a"), K::kClass, Value("internetPassword")),
      with(query("s", "a"), K::kService, Value(5)),
      with(query("s", "a"), "colour", Value("blue")),
      with(query("s", "a"), K::kMatchLimit, Value("some")),
  };
  for (const Value& q : bad) {
    Value result;
    EXPECT_EQ(K::copyMatching(q, &result), kStatusParam) << q;
    EXPECT_EQ(K::add(q), kStatusParam) << q;
    EXPECT_EQ(K::remove(q), kStatusParam) << q;
  }
  EXPECT_EQ(K::add(with(query("s", "a"), K::kValueData, Value("text, not data"))), kStatusParam);
  EXPECT_EQ(K::update(query("s", "a"), Value(Dictionary{{K::kClass, Value(K::kClassGenericPassword)}})), kStatusParam);
}

TEST_F(KeychainTest, FilesArePrivateAndWritesLeaveNoTemporaries) {
  ASSERT_EQ(K::add(with(query("svc", "acct"), K::kValueData, bytes("secret"))), kStatusSuccess);
  ASSERT_EQ(K::update(query("svc", "acct"), Value(Dictionary{{K::kValueData, bytes("newer")}})), kStatusSuccess);
  struct stat info {};
  ASSERT_EQ(::stat(K::folder().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  auto files = itemFiles();
  ASSERT_EQ(files.size(), 1u);
  ASSERT_EQ(::stat(files[0].c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  for (const auto& entry : std::filesystem::directory_iterator(K::folder())) {
    EXPECT_TRUE(entry.path().filename() == ".lock" || entry.path().extension() == ".item") << entry.path();
  }
}

TEST_F(KeychainTest, DamagedItemIsReportedNeverMistakenForMissingAndCanBeRemoved) {
  ASSERT_EQ(K::add(with(query("svc", "acct"), K::kValueData, bytes("secret"))), kStatusSuccess);
  auto files = itemFiles();
  ASSERT_EQ(files.size(), 1u);
  ASSERT_TRUE(AtomicFile::writeAtomically(files[0], std::string_view("bplist00 torn"), nullptr, 0600));
  ASSERT_EQ(K::add(with(query("svc", "other"), K::kValueData, bytes("fine"))), kStatusSuccess);

  Status status = 0;
  EXPECT_TRUE(readData(query("svc", "acct"), &status).isNil());
  EXPECT_EQ(status, kStatusDecode);
  EXPECT_EQ(K::add(with(query("svc", "acct"), K::kValueData, bytes("x"))), kStatusDecode);
  EXPECT_EQ(K::update(query("svc", "acct"), Value(Dictionary{{K::kValueData, bytes("x")}})), kStatusDecode);
  EXPECT_EQ(readData(query("svc", "other")), bytes("fine"));

  EXPECT_EQ(K::remove(query("svc", "acct")), kStatusSuccess);
  EXPECT_EQ(K::add(with(query("svc", "acct"), K::kValueData, bytes("again"))), kStatusSuccess);
  EXPECT_EQ(readData(query("svc", "acct")), bytes("again"));
}

TEST_F(KeychainTest, ThreadsAddingAtOnceKeepEveryItem) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 10; ++i) {
        K::add(with(query("threads", std::to_string(t) + "-" + std::to_string(i)), K::kValueData, bytes(std::to_string(i))));
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t) {
    for (int i = 0; i < 10; ++i) {
      EXPECT_EQ(readData(query("threads", std::to_string(t) + "-" + std::to_string(i))), bytes(std::to_string(i)));
    }
  }
}

// --- across processes -----------------------------------------------------------------------------

TEST(KeychainChild, Write) {
  const char* role = std::getenv(kRoleVariable);
  if (!role) GTEST_SKIP() << "runs only as a child process";
  for (int i = 0; i < 25; ++i) {
    std::string account = std::string(role) + "-" + std::to_string(i);
    ASSERT_EQ(K::add(with(query("processes", account), K::kValueData, bytes(account))), kStatusSuccess);
    // Both processes rewrite one shared item as well.
    Status status = K::update(query("processes", "shared"), Value(Dictionary{{K::kValueData, bytes(role)}}));
    if (status == kStatusItemNotFound) status = K::add(with(query("processes", "shared"), K::kValueData, bytes(role)));
    ASSERT_TRUE(status == kStatusSuccess || status == kStatusDuplicateItem) << status;
  }
}

TEST_F(KeychainTest, TwoProcessesWritingAtOnceLeaveEveryItemIntactForTheNextProcess) {
  pid_t left = spawnChild("KeychainChild.Write", "left", container.path());
  pid_t right = spawnChild("KeychainChild.Write", "right", container.path());
  ASSERT_GT(left, 0);
  ASSERT_GT(right, 0);
  EXPECT_EQ(ostrel::testing::waitTestChild(left), 0);
  EXPECT_EQ(ostrel::testing::waitTestChild(right), 0);

  for (const char* role : {"left", "right"}) {
    for (int i = 0; i < 25; ++i) {
      std::string account = std::string(role) + "-" + std::to_string(i);
      EXPECT_EQ(readData(query("processes", account)), bytes(account));
    }
  }
  Value shared = readData(query("processes", "shared"));
  EXPECT_TRUE(shared == bytes("left") || shared == bytes("right")) << shared;
  EXPECT_EQ(itemFiles().size(), 51u);
}

TEST(RandomBytesTest, FillsBuffersAndRefusesNone) {
  auto first = randomBytes(32), second = randomBytes(32);
  EXPECT_EQ(first.size(), 32u);
  EXPECT_NE(first, second);
  EXPECT_TRUE(randomBytes(0).empty());
  EXPECT_EQ(copyRandomBytes(nullptr, 4), kStatusParam);
  std::vector<std::uint8_t> large(1 << 20, 0);
  ASSERT_EQ(copyRandomBytes(large.data(), large.size()), kStatusSuccess);
  // A million zero bytes in a row from a working source is not a thing that happens.
  EXPECT_NE(std::count(large.begin(), large.end(), 0), static_cast<long>(large.size()));
}
