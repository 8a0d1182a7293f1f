// The Winsock-shaped calls over POSIX sockets. Error numbers are errno values.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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
  // An absolute deadline on the monotonic clock: a signal cannot shorten the
  // pause, and resuming does not add the time already slept twice.
  timespec deadline{};
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  deadline.tv_sec += static_cast<time_t>(milliseconds / 1000u);
  deadline.tv_nsec += static_cast<long>(milliseconds % 1000u) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000L;
  }
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
  }
}

}  // namespace platform
