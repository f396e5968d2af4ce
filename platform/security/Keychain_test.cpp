#include "platform/security/Keychain.h"

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/PropertyList.h"
#include "platform/log/Log.h"
#include "platform/security/RandomBytes.h"
#include "testing/ChildProcess.h"
#include "testing/FileContents.h"
#include "testing/ScratchFolder.h"
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
Status addItem(const Value& q, const std::string& secret) { return K::add(with(q, K::kValueData, bytes(secret))); }
Status setData(const Value& q, const std::string& secret) {
  return K::update(q, Value(Dictionary{{K::kValueData, bytes(secret)}}));
}

Value readData(const Value& q, Status* status = nullptr) {
  Value result;
  Status s = K::copyMatching(with(q, K::kReturnData, Value(true)), &result);
  if (status) *status = s;
  return result;
}

std::vector<std::string> itemFiles() {
  std::vector<std::string> out;
  for (const auto& entry : std::filesystem::directory_iterator(K::folder())) {
    if (entry.path().filename().string().front() != '.') out.push_back(entry.path().string());
  }
  return out;
}

// Runs `work` on a thread of its own that file modes bind even when this process runs as root: the
// thread gives up the capabilities that pass over them (each thread has its own). False when it could
// not.
bool boundByFileModes(const std::function<void()>& work) {
  bool bound = false;
  std::thread([&] {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0) return;
    data[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    if (::syscall(SYS_capset, &header, data) != 0) return;
    bound = true;
    work();
  }).join();
  return bound;
}

class KeychainTest : public ::testing::Test {
 protected:
  ostrel::testing::TempContainer container;
};

}  // namespace

TEST_F(KeychainTest, ItemLifecycleReportsTheExpectedStatusesInPrivateFiles) {
  Value q = query("svc", "acct");
  Status status = 0;
  EXPECT_TRUE(readData(q, &status).isNil());
  EXPECT_EQ(status, kStatusItemNotFound);
  ASSERT_EQ(K::add(with(with(q, K::kValueData, bytes("one")), K::kAccessible,
                        Value(K::kAccessibleAfterFirstUnlockThisDeviceOnly))),
            kStatusSuccess);
  EXPECT_EQ(addItem(q, "again"), kStatusDuplicateItem);
  ASSERT_EQ(setData(q, "two"), kStatusSuccess);
  Value attributes;
  ASSERT_EQ(K::copyMatching(with(q, K::kReturnAttributes, Value(true)), &attributes), kStatusSuccess);
  EXPECT_EQ(attributes[K::kAccessible], Value(K::kAccessibleAfterFirstUnlockThisDeviceOnly));
  EXPECT_EQ(readData(q), bytes("two"));
  EXPECT_EQ(setData(query("svc", "nobody"), "x"), kStatusItemNotFound);

  struct stat info {};
  ASSERT_EQ(::stat(K::folder().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  ASSERT_EQ(itemFiles().size(), 1u);
  // The rewrite left no temporary behind: only the lock file and the item.
  using Dir = std::filesystem::directory_iterator;
  EXPECT_EQ(std::distance(Dir(K::folder()), Dir()), 2);
  ASSERT_EQ(::stat(itemFiles()[0].c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  EXPECT_EQ(K::remove(q), kStatusSuccess);
  EXPECT_EQ(K::remove(q), kStatusItemNotFound);
  EXPECT_TRUE(itemFiles().empty());
}

TEST_F(KeychainTest, AccessGroupsKeepItemsApart) {
  ASSERT_EQ(addItem(query("svc", "k", "group.a"), "a"), kStatusSuccess);
  ASSERT_EQ(addItem(query("svc", "k", "group.b"), "b"), kStatusSuccess);
  ASSERT_EQ(addItem(query("svc", "k"), "default"), kStatusSuccess);
  EXPECT_EQ(readData(query("svc", "k", "group.b")), bytes("b"));
  EXPECT_EQ(readData(query("svc", "k", "")), bytes("default"));
  Value all;
  ASSERT_EQ(K::copyMatching(with(with(query("svc", "k"), K::kReturnData, Value(true)), K::kMatchLimit, Value(K::kMatchLimitAll)),
                            &all),
            kStatusSuccess);
  EXPECT_EQ(all.size(), 3u);
  // Moving an item onto another's identity is refused.
  EXPECT_EQ(K::update(query("svc", "k", "group.b"), Value(Dictionary{{K::kAccessGroup, Value("")}})), kStatusDuplicateItem);
  EXPECT_EQ(K::update(query("svc", "k", "group.b"), Value(Dictionary{{K::kAccount, Value("moved")}})), kStatusSuccess);
  EXPECT_EQ(readData(query("svc", "moved")), bytes("b"));
}

TEST_F(KeychainTest, MalformedQueriesAreRefusedWithParam) {
  for (const Value& q : {Value("not a dictionary"), Value(Dictionary{{K::kService, Value("svc")}}),
                         with(query("s", "a"), K::kClass, Value("internetPassword")),
                         with(query("s", "a"), K::kService, Value(5)), with(query("s", "a"), "colour", Value("blue")),
                         with(query("s", "a"), K::kMatchLimit, Value("some"))}) {
    Value result;
    EXPECT_EQ(K::copyMatching(q, &result), kStatusParam) << q;
    EXPECT_EQ(K::add(q), kStatusParam) << q;
    EXPECT_EQ(K::remove(q), kStatusParam) << q;
  }
  EXPECT_EQ(K::add(with(query("s", "a"), K::kValueData, Value("text, not data"))), kStatusParam);
  EXPECT_EQ(K::update(query("s", "a"), Value(Dictionary{{K::kClass, Value(K::kClassGenericPassword)}})), kStatusParam);
}

TEST_F(KeychainTest, DamagedItemIsReportedNeverMistakenForMissingAndCanBeRemoved) {
  ASSERT_EQ(addItem(query("svc", "acct"), "secret"), kStatusSuccess);
  auto files = itemFiles();
  ASSERT_EQ(files.size(), 1u);
  ASSERT_TRUE(AtomicFile::writeAtomically(files[0], std::string_view("bplist00 torn"), 0600).ok());
  ASSERT_EQ(addItem(query("svc", "other"), "fine"), kStatusSuccess);

  Status status = 0;
  EXPECT_TRUE(readData(query("svc", "acct"), &status).isNil());
  EXPECT_EQ(status, kStatusDecode);
  EXPECT_EQ(addItem(query("svc", "acct"), "x"), kStatusDecode);
  EXPECT_EQ(setData(query("svc", "acct"), "x"), kStatusDecode);
  EXPECT_EQ(readData(query("svc", "other")), bytes("fine"));
  EXPECT_EQ(K::remove(query("svc", "acct")), kStatusSuccess);
  EXPECT_EQ(addItem(query("svc", "acct"), "again"), kStatusSuccess);

  // Kept aside instead of removed: the bytes stay beside the items, where no query finds them.
  ASSERT_TRUE(AtomicFile::writeAtomically(files[0], std::string_view("bplist00 torn again"), 0600).ok());
  EXPECT_EQ(K::keepDamagedAside(query("svc", "other")), kStatusItemNotFound) << "an intact item stays";
  EXPECT_EQ(K::keepDamagedAside(query("svc", "acct")), kStatusSuccess);
  EXPECT_EQ(K::keepDamagedAside(query("svc", "acct")), kStatusItemNotFound);
  const auto kept = ostrel::testing::damagedCopiesOf(files[0]);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(AtomicFile::readText(kept[0]).valueOr(""), "bplist00 torn again");
  EXPECT_EQ(addItem(query("svc", "acct"), "fresh"), kStatusSuccess);
  EXPECT_EQ(readData(query("svc", "acct")), bytes("fresh"));
  EXPECT_EQ(readData(query("svc", "other")), bytes("fine"));
}

// Something put in an item's place that is not a file (a FIFO, a device, a link that leads nowhere or
// round in a loop) reads as damaged without waiting, and no call moves, removes or writes over it.
TEST_F(KeychainTest, WhatIsNotAnItemsFileIsDamagedAndLeftInPlace) {
  namespace fs = std::filesystem;
  ASSERT_EQ(addItem(query("svc", "acct"), "secret"), kStatusSuccess);
  const std::string item = itemFiles().at(0);
  const std::vector<std::function<void()>> strangers = {
      [&] { ASSERT_EQ(::mkfifo(item.c_str(), 0600), 0); },
      [&] { fs::create_symlink("/dev/zero", item); },
      [&] { fs::create_symlink(container.pathFor("unmounted/item"), item); },
      [&] { fs::create_symlink(item, item); }};
  for (const auto& place : strangers) {
    fs::remove(item);
    place();
    const std::string kind = AtomicFile::whatStandsAt(item).words();
    platform::log::CapturedLines lines;
    Status status = 0;
    EXPECT_TRUE(readData(query("svc", "acct"), &status).isNil()) << kind;
    EXPECT_EQ(status, kStatusDecode) << kind;
    EXPECT_EQ(addItem(query("svc", "acct"), "x"), kStatusDecode) << kind;
    EXPECT_EQ(setData(query("svc", "acct"), "x"), kStatusDecode) << kind;
    EXPECT_EQ(K::keepDamagedAside(query("svc", "acct")), kStatusItemNotFound) << kind;
    EXPECT_EQ(K::remove(query("svc", "acct")), kStatusIO) << kind;
    EXPECT_EQ(AtomicFile::whatStandsAt(item).words(), kind);
    EXPECT_TRUE(ostrel::testing::damagedCopiesOf(item).empty()) << kind;
    EXPECT_TRUE(lines.contains(item + " is " + kind)) << kind;
  }
}

// An item's file the app may not read is not damaged: every call that meets it fails with its own
// status and leaves it as it is, named once.
TEST_F(KeychainTest, AnItemTheAppMayNotReadIsLeftAsItIs) {
  ASSERT_EQ(addItem(query("svc", "acct"), "secret"), kStatusSuccess);
  const std::string item = itemFiles().at(0);
  std::filesystem::permissions(item, std::filesystem::perms::none);
  if (!AtomicFile::mayNotRead(item)) GTEST_SKIP() << "this user may read any file (root)";
  platform::log::CapturedLines lines;
  Status status = 0;
  EXPECT_TRUE(readData(query("svc", "acct"), &status).isNil());
  EXPECT_EQ(status, kStatusInteractionNotAllowed);
  EXPECT_EQ(addItem(query("svc", "acct"), "x"), kStatusInteractionNotAllowed);
  EXPECT_EQ(setData(query("svc", "acct"), "x"), kStatusInteractionNotAllowed);
  EXPECT_EQ(K::keepDamagedAside(query("svc", "acct")), kStatusItemNotFound);
  EXPECT_EQ(K::remove(query("svc", "acct")), kStatusInteractionNotAllowed);
  EXPECT_TRUE(K::keepItemsAside(query("svc", "acct")).empty());
  EXPECT_EQ(itemFiles(), std::vector<std::string>{item});
  EXPECT_EQ(std::filesystem::status(item).permissions(), std::filesystem::perms::none);
  std::size_t naming = 0;
  for (const auto& line : lines.lines()) naming += line.message == item + " is a file the app may not read, which is left in place and not used";
  EXPECT_EQ(naming, 1u);
}

// A removal whose query also matches an item the app may not read removes nothing, the matches it may
// read included: it says the removal did not happen, and all of it did not.
TEST_F(KeychainTest, ARemovalThatMeetsAnItemTheAppMayNotReadRemovesNothing) {
  ASSERT_EQ(addItem(query("svc", "acct", "group.a"), "a"), kStatusSuccess);
  const std::vector<std::string> readable = itemFiles();
  ASSERT_EQ(addItem(query("svc", "acct", "group.b"), "b"), kStatusSuccess);
  std::vector<std::string> items = itemFiles();
  ASSERT_EQ(items.size(), 2u);
  const std::string closed = items[0] == readable.at(0) ? items[1] : items[0];
  std::filesystem::permissions(closed, std::filesystem::perms::none);
  bool mayNotRead = false;
  Status status = 0;
  ASSERT_TRUE(boundByFileModes([&] {
    mayNotRead = AtomicFile::mayNotRead(closed);
    if (mayNotRead) status = K::remove(query("svc", "acct"));
  }));
  if (!mayNotRead) GTEST_SKIP() << "this thread may read any file";
  EXPECT_EQ(status, kStatusInteractionNotAllowed);
  std::sort(items.begin(), items.end());
  std::vector<std::string> left = itemFiles();
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, items);
  EXPECT_EQ(readData(query("svc", "acct", "group.a")), bytes("a"));
}

// A keychain folder that is a link, even to a folder, and a link at its lock lead out of the container:
// nothing is made or changed where they lead, every call fails, and each is named and left.
TEST_F(KeychainTest, NothingIsMadeOrChangedThroughALink) {
  namespace fs = std::filesystem;
  ostrel::testing::ScratchFolder outside;
  fs::permissions(outside.path(), fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
  const std::string folder = container.pathFor("Library/Keychains");
  fs::create_directories(folder);
  fs::create_symlink(outside / "lock", folder + "/.lock");
  platform::log::CapturedLines lines;
  EXPECT_EQ(addItem(query("svc", "acct"), "secret"), kStatusIO);
  EXPECT_FALSE(fs::exists(fs::symlink_status(outside / "lock"))) << "made through the lock's link";
  EXPECT_TRUE(lines.contains(folder + "/.lock is a link that leads nowhere"));

  fs::remove_all(folder);
  fs::create_directory_symlink(outside.path(), folder);
  EXPECT_EQ(K::folder(), "");
  EXPECT_EQ(addItem(query("svc", "acct"), "secret"), kStatusIO);
  EXPECT_EQ(readData(query("svc", "acct")), Value());
  EXPECT_EQ(fs::status(outside.path()).permissions() & fs::perms::all,
            fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
  EXPECT_TRUE(fs::is_empty(outside.path()));
  EXPECT_TRUE(lines.contains(folder + " is a link to a folder, not a folder of the container's own"));
}

TEST_F(KeychainTest, AnIntactItemIsKeptAsideOnlyWhileItStillHoldsTheValueNamed) {
  ASSERT_EQ(addItem(query("svc", "acct"), "undecodable"), kStatusSuccess);
  ASSERT_EQ(addItem(query("svc", "other"), "fine"), kStatusSuccess);
  const Data written{'n', 'e', 'w', 'e', 'r'};
  ASSERT_EQ(setData(query("svc", "acct"), "newer"), kStatusSuccess);
  const Data stale{'u', 'n', 'd', 'e', 'c', 'o', 'd', 'a', 'b', 'l', 'e'};
  EXPECT_TRUE(K::keepItemsAside(query("svc", "acct"), &stale).empty()) << "a newer value was written since";
  EXPECT_EQ(readData(query("svc", "acct")), bytes("newer"));

  const auto kept = K::keepItemsAside(query("svc", "acct"), &written);
  ASSERT_EQ(kept.size(), 1u);
  Status status = 0;
  EXPECT_TRUE(readData(query("svc", "acct"), &status).isNil());
  EXPECT_EQ(status, kStatusItemNotFound) << "kept where no query finds it";
  EXPECT_EQ(PropertyList::readFile(kept[0])[K::kValueData], bytes("newer"));
  EXPECT_EQ(readData(query("svc", "other")), bytes("fine"));
  EXPECT_EQ(addItem(query("svc", "acct"), "fresh"), kStatusSuccess);

  EXPECT_EQ(K::keepItemsAside(query("svc", "other")).size(), 1u) << "without a value, whatever it holds";
  EXPECT_TRUE(readData(query("svc", "other")).isNil());
  EXPECT_EQ(readData(query("svc", "acct")), bytes("fresh"));
}

TEST_F(KeychainTest, ThreadsAddingAtOnceKeepEveryItem) {
  auto account = [](int t, int i) { return std::to_string(t) + "-" + std::to_string(i); };
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, account] {
      for (int i = 0; i < 10; ++i) addItem(query("threads", account(t, i)), std::to_string(i));
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t) {
    for (int i = 0; i < 10; ++i) EXPECT_EQ(readData(query("threads", account(t, i))), bytes(std::to_string(i)));
  }
}

// --- across processes -----------------------------------------------------------------------------

TEST(KeychainChild, Write) {
  const char* role = std::getenv(kRoleVariable);
  if (!role) GTEST_SKIP() << "runs only as a child process";
  for (int i = 0; i < 25; ++i) {
    std::string account = std::string(role) + "-" + std::to_string(i);
    ASSERT_EQ(addItem(query("processes", account), account), kStatusSuccess);
    // Both processes rewrite one shared item as well.
    Status status = setData(query("processes", "shared"), role);
    if (status == kStatusItemNotFound) status = addItem(query("processes", "shared"), role);
    ASSERT_TRUE(status == kStatusSuccess || status == kStatusDuplicateItem) << status;
  }
}

TEST_F(KeychainTest, TwoProcessesWritingAtOnceLeaveEveryItemIntactForTheNextProcess) {
  std::vector<pid_t> children;
  for (const char* role : {"left", "right"}) {
    children.push_back(ostrel::testing::spawnTestChild(
        "KeychainChild.Write", {std::string(kRoleVariable) + "=" + role, "OSTREL_HOME=" + container.path()}));
    ASSERT_GT(children.back(), 0);
  }
  for (pid_t child : children) EXPECT_EQ(ostrel::testing::waitTestChild(child), 0);
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
  EXPECT_NE(randomBytes(32), randomBytes(32));
  EXPECT_EQ(copyRandomBytes(nullptr, 4), kStatusParam);
  std::vector<std::uint8_t> large(1 << 20, 0);
  ASSERT_EQ(copyRandomBytes(large.data(), large.size()), kStatusSuccess);
  EXPECT_NE(std::count(large.begin(), large.end(), 0), static_cast<long>(large.size()));
}

TEST_F(KeychainTest, KeyItemsAreFoundByTheirTagAndTypeAndNeverByPasswordQueries) {
  auto keyQuery = [](const std::string& tag) {
    return Value(Dictionary{{K::kClass, Value(K::kClassKey)}, {K::kKeyType, Value(K::kKeyTypeRSA)}, {K::kApplicationTag, bytes(tag)}});
  };
  ASSERT_EQ(addItem(keyQuery("com.example.public"), "public key bits"), kStatusSuccess);
  ASSERT_EQ(addItem(keyQuery("com.example.private"), "private key bits"), kStatusSuccess);
  EXPECT_EQ(addItem(keyQuery("com.example.public"), "again"), kStatusDuplicateItem);
  ASSERT_EQ(addItem(query("", ""), "a password"), kStatusSuccess);
  EXPECT_EQ(readData(keyQuery("com.example.public")), bytes("public key bits"));
  EXPECT_EQ(readData(keyQuery("com.example.other")), Value());

  Value allPasswords;
  ASSERT_EQ(K::copyMatching(Value(Dictionary{{K::kClass, Value(K::kClassGenericPassword)},
                                             {K::kReturnData, Value(true)},
                                             {K::kMatchLimit, Value(K::kMatchLimitAll)}}),
                            &allPasswords),
            kStatusSuccess);
  EXPECT_EQ(allPasswords, Value(platform::foundation::Array{bytes("a password")}));

  EXPECT_EQ(K::remove(keyQuery("com.example.public")), kStatusSuccess);
  EXPECT_EQ(K::remove(keyQuery("com.example.public")), kStatusItemNotFound);
  EXPECT_EQ(readData(keyQuery("com.example.private")), bytes("private key bits"));
  EXPECT_EQ(K::add(Value(Dictionary{{K::kClass, Value(K::kClassKey)}, {K::kApplicationTag, Value("not data")}})), kStatusParam);
}
