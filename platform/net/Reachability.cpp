#include "platform/net/Reachability.h"

#include <arpa/inet.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <system_error>
#include <thread>

#include "platform/dispatch/Queue.h"

namespace platform::net {

// The state a monitor thread shares with its target. The thread holds it until it notices the stop.
struct ReachabilityTarget::Monitor {
  int netlink = -1;
  int wake = -1;
  std::atomic<bool> stopped{false};

  ~Monitor() {
    if (netlink >= 0) ::close(netlink);
    if (wake >= 0) ::close(wake);
  }
};

namespace {

int openRouteSocket() {
  int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
  if (fd < 0) return -1;
  sockaddr_nl address{};
  address.nl_family = AF_NETLINK;
  address.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool isLoopback(const sockaddr* address) {
  if (address->sa_family == AF_INET) {
    auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
    return (ntohl(v4->sin_addr.s_addr) >> 24) == 127;
  }
  if (address->sa_family == AF_INET6) {
    auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
    return IN6_IS_ADDR_LOOPBACK(&v6->sin6_addr) != 0;
  }
  return false;
}

// Waits for a stop or for route changes; false once stopped.
bool waitForChange(int wake, int netlink) {
  pollfd fds[2] = {{wake, POLLIN, 0}, {netlink, POLLIN, 0}};
  for (;;) {
    int ready = ::poll(fds, netlink >= 0 ? 2 : 1, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || (fds[0].revents & POLLIN)) return false;
    if (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
    char buffer[8192];
    // Drain the burst a single change makes (link, addresses, routes) and evaluate once for all of it.
    for (;;) {
      ssize_t got = ::recv(netlink, buffer, sizeof buffer, 0);
      if (got > 0 || (got < 0 && errno == EINTR)) continue;
      return true;
    }
  }
}

}  // namespace

std::shared_ptr<ReachabilityTarget> ReachabilityTarget::createWithName(const std::string& host) {
  if (host.empty()) return nullptr;
  return std::make_shared<ReachabilityTarget>(Private(), host);
}

ReachabilityTarget::ReachabilityTarget(Private, std::string host) : host_(std::move(host)) {}

ReachabilityTarget::~ReachabilityTarget() {
  std::lock_guard lock(mutex_);
  if (monitor_) {
    monitor_->stopped = true;
    std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(monitor_->wake, &one, sizeof one);
  }
}

bool ReachabilityTarget::setCallback(Callback callback) {
  std::lock_guard lock(mutex_);
  callback_ = std::move(callback);
  return true;
}

bool ReachabilityTarget::isScheduled() const {
  std::lock_guard lock(mutex_);
  return monitor_ != nullptr;
}

bool ReachabilityTarget::scheduleWithMainLoop() {
  std::lock_guard lock(mutex_);
  if (monitor_) return false;
  auto monitor = std::make_shared<Monitor>();
  monitor->wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (monitor->wake < 0) return false;
  // Without a route socket (a sandbox may refuse one) the target still gives its first answer.
  monitor->netlink = openRouteSocket();
  std::weak_ptr<ReachabilityTarget> weak = shared_from_this();
  std::uint64_t generation = generation_;
  try {
    // A new thread starts in the calling thread's network namespace, so the monitor and its
    // evaluations see the same network as the caller.
    std::thread([monitor, weak, generation, host = host_] {
      bool first = true;
      std::uint32_t last = 0;
      do {
        std::uint32_t flags = flagsForHost(host);
        if (monitor->stopped) return;
        if (first || flags != last) {
          first = false;
          last = flags;
          dispatch::Queue::main()->async([weak, generation, flags] {
            if (auto target = weak.lock()) target->deliver(generation, flags);
          });
        }
      } while (!monitor->stopped && waitForChange(monitor->wake, monitor->netlink));
    }).detach();
  } catch (const std::system_error&) {
    return false;
  }
  monitor_ = std::move(monitor);
  return true;
}

bool ReachabilityTarget::unscheduleFromMainLoop() {
  std::lock_guard lock(mutex_);
  if (!monitor_) return false;
  monitor_->stopped = true;
  std::uint64_t one = 1;
  [[maybe_unused]] auto written = ::write(monitor_->wake, &one, sizeof one);
  monitor_.reset();
  ++generation_;
  return true;
}

void ReachabilityTarget::deliver(std::uint64_t generation, std::uint32_t flags) {
  // Held across the call-back: an unschedule on another thread waits for it, so none runs after.
  std::lock_guard lock(mutex_);
  if (generation != generation_ || !monitor_ || !callback_) return;
  Callback callback = callback_;
  callback(flags);
}

std::uint32_t ReachabilityTarget::flagsForHost(const std::string& host) {
  std::string name = host;
  if (name.size() > 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(name.c_str(), "9", &hints, &found) != 0 || !found) return 0;
  std::uint32_t flags = 0;
  for (addrinfo* a = found; a && !flags; a = a->ai_next) {
    int fd = ::socket(a->ai_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) continue;
    // Connecting a datagram socket only asks the kernel for a route; nothing is sent.
    if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0) {
      flags = kReachabilityFlagsReachable;
      if (isLoopback(a->ai_addr)) flags |= kReachabilityFlagsIsLocalAddress | kReachabilityFlagsIsDirect;
    }
    ::close(fd);
  }
  ::freeaddrinfo(found);
  return flags;
}

}  // namespace platform::net
