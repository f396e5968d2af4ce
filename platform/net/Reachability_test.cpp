#include "platform/net/Reachability.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <deque>
#include <thread>

#include "platform/dispatch/MainLoop.h"

namespace platform::net {
namespace {

using dispatch::MainLoop;

// A thread that lives in a network namespace of its own and runs jobs for the test there. A fresh
// namespace has only a loopback link, and that one down: nothing is reachable until it comes up.
class NetworkNamespace {
 public:
  NetworkNamespace() {
    thread_ = std::thread([this] {
      bool entered = ::unshare(CLONE_NEWNET) == 0;
      {
        std::lock_guard lock(mutex_);
        entered_ = entered, ready_ = true;
      }
      changed_.notify_all();
      if (entered) serve();
    });
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return ready_; });
  }
  ~NetworkNamespace() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  bool entered() const { return entered_; }

  void run(std::function<void()> job) {
    bool done = false;
    {
      std::lock_guard lock(mutex_);
      jobs_.push_back([&] {
        job();
        std::lock_guard inner(mutex_);
        done = true;
      });
    }
    changed_.notify_all();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return done; });
  }

  static void setLoopbackAddress(const char* address) {
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    auto* in = reinterpret_cast<sockaddr_in*>(&request.ifr_addr);
    in->sin_family = AF_INET;
    ASSERT_EQ(::inet_pton(AF_INET, address, &in->sin_addr), 1);
    ASSERT_EQ(::ioctl(fd, SIOCSIFADDR, &request), 0);
    ::close(fd);
  }

  static void setLoopback(bool up) {
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    ASSERT_EQ(::ioctl(fd, SIOCGIFFLAGS, &request), 0);
    request.ifr_flags = up ? (request.ifr_flags | IFF_UP) : (request.ifr_flags & ~IFF_UP);
    ASSERT_EQ(::ioctl(fd, SIOCSIFFLAGS, &request), 0);
    ::close(fd);
  }

 private:
  void serve() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty()) return;
      auto job = std::move(jobs_.front());
      jobs_.pop_front();
      lock.unlock();
      job();
      changed_.notify_all();
      lock.lock();
    }
  }

  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> jobs_;
  bool ready_ = false, entered_ = false, stopping_ = false;
};

struct Watch {
  std::shared_ptr<ReachabilityTarget> target;
  std::vector<std::uint32_t> seen;

  explicit Watch(const std::string& host) : target(ReachabilityTarget::createWithName(host)) {
    target->setCallback([this](std::uint32_t flags) {
      EXPECT_TRUE(MainLoop::isMainThread());
      seen.push_back(flags);
    });
  }
  bool waitFor(std::size_t count) {
    return MainLoop::runUntil([&] { return seen.size() >= count; }, 20);
  }
};

TEST(Reachability, CreatingNeedsOnlyANameAndLoopbackIsReachable) {
  EXPECT_EQ(ReachabilityTarget::createWithName(""), nullptr);
  EXPECT_NE(ReachabilityTarget::createWithName("no-such-host.invalid"), nullptr);  // nothing resolved yet

  for (std::string host : {"127.0.0.1", "localhost", "[::1]"}) {
    Watch watch(host);
    ASSERT_TRUE(watch.target->scheduleWithMainLoop());
    EXPECT_FALSE(watch.target->scheduleWithMainLoop());
    ASSERT_TRUE(watch.waitFor(1)) << host;
    if (host == "[::1]" && watch.seen[0] == 0) continue;  // a machine without IPv6 loopback
    EXPECT_TRUE(watch.seen[0] & kReachabilityFlagsReachable) << host;
    EXPECT_TRUE(watch.seen[0] & kReachabilityFlagsIsLocalAddress) << host;
    EXPECT_TRUE(watch.target->unscheduleFromMainLoop());
    EXPECT_FALSE(watch.target->unscheduleFromMainLoop());
  }
}

TEST(Reachability, RouteChangesAreReportedUntilUnscheduled) {
  NetworkNamespace net;
  if (!net.entered()) GTEST_SKIP() << "this machine allows no network namespace";
  Watch watch("127.0.0.1");
  net.run([&] { ASSERT_TRUE(watch.target->scheduleWithMainLoop()); });
  ASSERT_TRUE(watch.waitFor(1));
  EXPECT_EQ(watch.seen[0], 0u);  // loopback is down in a new namespace

  // The call-back that hears "reachable" stops its own target.
  watch.target->setCallback([&](std::uint32_t flags) {
    watch.seen.push_back(flags);
    watch.target->unscheduleFromMainLoop();
  });
  net.run([] { NetworkNamespace::setLoopback(true); });
  ASSERT_TRUE(watch.waitFor(2));
  EXPECT_TRUE(watch.seen[1] & kReachabilityFlagsReachable);
  EXPECT_FALSE(watch.target->isScheduled());

  // Moving loopback to another address makes 127.0.0.1 unreachable: a live watcher of the new address
  // hears of it, the stopped one does not.
  Watch moved("10.7.7.7");
  net.run([&] { ASSERT_TRUE(moved.target->scheduleWithMainLoop()); });
  ASSERT_TRUE(moved.waitFor(1));
  EXPECT_EQ(moved.seen[0], 0u);
  net.run([] { NetworkNamespace::setLoopbackAddress("10.7.7.7"); });
  ASSERT_TRUE(moved.waitFor(2));
  EXPECT_TRUE(moved.seen[1] & kReachabilityFlagsReachable);
  Watch old("127.0.0.1");
  net.run([&] { ASSERT_TRUE(old.target->scheduleWithMainLoop()); });
  ASSERT_TRUE(old.waitFor(1));
  EXPECT_EQ(old.seen[0], 0u);
  MainLoop::runUntilIdle();
  EXPECT_EQ(watch.seen.size(), 2u);
}

TEST(Reachability, NoCallBackReachesAReleasedTarget) {
  int calls = 0;
  for (int i = 0; i < 20; ++i) {
    auto target = ReachabilityTarget::createWithName("127.0.0.1");
    target->setCallback([&](std::uint32_t) { ++calls; });
    ASSERT_TRUE(target->scheduleWithMainLoop());
  }
  // Whatever the monitors managed to post before they noticed is dropped on arrival.
  Watch sentinel("127.0.0.1");
  ASSERT_TRUE(sentinel.target->scheduleWithMainLoop());
  ASSERT_TRUE(sentinel.waitFor(1));
  MainLoop::runUntilIdle();
  EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace platform::net
