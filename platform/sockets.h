// The socket operations zorwol relies on, in the shape of Windows Sockets.
//
// Each call has the name, arguments and result of its Winsock namesake. On
// Windows they forward to ws2_32 and the kernel; elsewhere a small layer over
// POSIX sockets stands in for them. Tests link a scripted fake instead. This
// header includes no OS header, so no system macro reaches the rest of the
// code; constants that Winsock defines as macros have their own names here.
//
// Not thread-safe: the layer keeps one last-error value for the process.

#ifndef ZORWOL_PLATFORM_SOCKETS_H_
#define ZORWOL_PLATFORM_SOCKETS_H_

#include <cstdint>

namespace platform {

using Socket = std::uintptr_t;

constexpr Socket kInvalidSocket = ~Socket{0};
constexpr int kSocketError = -1;
constexpr int kAfInet = 2;
constexpr int kSockDgram = 2;
constexpr std::uint32_t kInaddrNone = 0xFFFFFFFFu;
constexpr std::uint16_t kWinsockVersion22 = 0x0202;

// What WSAStartup reports back. Callers need not examine it.
struct WsaData {
  std::uint16_t version;
  std::uint16_t highVersion;
};

// An IPv4 socket address, laid out as sockaddr_in: 16 bytes, port and
// address in network byte order.
struct SockAddrIn {
  std::uint16_t family;
  std::uint16_t port;
  std::uint32_t address;
  unsigned char zero[8];
};
static_assert(sizeof(SockAddrIn) == 16, "SockAddrIn must match sockaddr_in");

// Starts the socket library. 0 on success, otherwise the error number.
int WSAStartup(std::uint16_t versionRequested, WsaData* data);
// Releases one start. 0 on success, otherwise kSocketError with the error
// number left for WSAGetLastError.
int WSACleanup();
// The error number of the last failed call.
int WSAGetLastError();

// A new socket, or kInvalidSocket.
Socket socket(int family, int type, int protocol);
// The number of bytes sent, or kSocketError.
int sendto(Socket sock, const unsigned char* data, int length, int flags, const SockAddrIn* to,
           int toLength);
// Closes the socket. 0 on success, otherwise kSocketError.
int closesocket(Socket sock);

// The host value in network byte order.
std::uint16_t htons(std::uint16_t hostValue);
// The address in network byte order when the text up to its first white-space
// character is an IPv4 address in any of the classic forms (dotted, short,
// octal, hex); otherwise kInaddrNone.
std::uint32_t inet_addr(const char* text);

// Returns after at least the given number of milliseconds.
void Sleep(std::uint32_t milliseconds);

}  // namespace platform

#endif  // ZORWOL_PLATFORM_SOCKETS_H_
