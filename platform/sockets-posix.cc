// The Winsock-shaped calls over POSIX sockets. Error numbers are errno values.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <cerrno>
#include <cstddef>
#include <ctime>

#include "platform/sockets.h"

// glibc turns htons into a macro when optimising; the function stays.
#undef htons

namespace platform {
namespace {

int startCount = 0;
int lastError = 0;

// How long before the end of a pause the sleeper is woken: a little more than
// the usual wake-up latency.
constexpr std::int64_t kAwakeNanoseconds = 150000;

std::int64_t monotonicNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

int fail(int error) {
  lastError = error;
  return kSocketError;
}

}  // namespace

int WSAStartup(std::uint16_t /*versionRequested*/, WsaData* data) {
  ++startCount;
  if (data != nullptr) {
    data->version = kWinsockVersion22;
    data->highVersion = kWinsockVersion22;
  }
  return 0;
}

int WSACleanup() {
  // Cleanup without a start is an error, as on Windows.
  if (startCount == 0) return fail(EINVAL);
  --startCount;
  return 0;
}

int WSAGetLastError() { return lastError; }

Socket socket(int family, int type, int protocol) {
  const int fd = ::socket(family, type, protocol);
  if (fd < 0) {
    fail(errno);
    return kInvalidSocket;
  }
  return static_cast<Socket>(fd);
}

int sendto(Socket sock, const unsigned char* data, int length, int flags, const SockAddrIn* to,
           int toLength) {
  sockaddr_in destination{};
  destination.sin_family = static_cast<decltype(destination.sin_family)>(to->family);
  destination.sin_port = to->port;
  destination.sin_addr.s_addr = to->address;
  const ssize_t sent =
      ::sendto(static_cast<int>(sock), data, static_cast<std::size_t>(length), flags,
               reinterpret_cast<const sockaddr*>(&destination), static_cast<socklen_t>(toLength));
  if (sent < 0) return fail(errno);
  return static_cast<int>(sent);
}

int closesocket(Socket sock) {
  if (::close(static_cast<int>(sock)) != 0) return fail(errno);
  return 0;
}

std::uint16_t htons(std::uint16_t hostValue) { return ::htons(hostValue); }

std::uint32_t inet_addr(const char* text) { return ::inet_addr(text); }

void Sleep(std::uint32_t milliseconds) {
#ifdef __linux__
  // The default timer slack (50 us) lets every pause overshoot by that much;
  // a run of many targets would add it up. Ask for the least, once.
  static const bool slackSet = prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0;
  static_cast<void>(slackSet);
#endif
  // Sleep on an absolute monotonic deadline, so a signal cannot shorten the
  // pause, to just short of it; then wait out the rest awake, so that the
  // kernel's wake-up latency is not added to every pause.
  const std::int64_t deadline = monotonicNanoseconds() + std::int64_t{milliseconds} * 1000000;
  const std::int64_t early = deadline - kAwakeNanoseconds;
  const timespec wake{static_cast<time_t>(early / 1000000000),
                      static_cast<long>(early % 1000000000)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) == EINTR) {
  }
  while (monotonicNanoseconds() < deadline) {
  }
}

}  // namespace platform
