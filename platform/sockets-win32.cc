// The Winsock-shaped calls on Windows: each forwards to ws2_32 or the kernel,
// so error numbers are the platform's own.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winsock2.h>

#include "platform/sockets.h"

static_assert(sizeof(SOCKET) == sizeof(platform::Socket), "socket handles must fit");
static_assert(INVALID_SOCKET == platform::kInvalidSocket, "same invalid handle");
static_assert(SOCKET_ERROR == platform::kSocketError, "same error result");
static_assert(AF_INET == platform::kAfInet && SOCK_DGRAM == platform::kSockDgram, "same constants");
static_assert(INADDR_NONE == platform::kInaddrNone, "same refusal value");

namespace platform {

int WSAStartup(std::uint16_t versionRequested, WsaData* data) {
  WSADATA granted{};
  const int result = ::WSAStartup(versionRequested, &granted);
  if (result == 0 && data != nullptr) {
    data->version = granted.wVersion;
    data->highVersion = granted.wHighVersion;
  }
  return result;
}

int WSACleanup() { return ::WSACleanup(); }

int WSAGetLastError() { return ::WSAGetLastError(); }

Socket socket(int family, int type, int protocol) { return ::socket(family, type, protocol); }

int sendto(Socket sock, const unsigned char* data, int length, int flags, const SockAddrIn* to,
           int toLength) {
  sockaddr_in destination{};
  destination.sin_family = static_cast<decltype(destination.sin_family)>(to->family);
  destination.sin_port = to->port;
  destination.sin_addr.s_addr = to->address;
  return ::sendto(sock, reinterpret_cast<const char*>(data), length, flags,
                  reinterpret_cast<const sockaddr*>(&destination), toLength);
}

int closesocket(Socket sock) { return ::closesocket(sock); }

std::uint16_t htons(std::uint16_t hostValue) { return ::htons(hostValue); }

std::uint32_t inet_addr(const char* text) { return ::inet_addr(text); }

void Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

}  // namespace platform
