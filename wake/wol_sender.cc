#include "wake/wol_sender.h"

#include <cstdio>
#include <cstring>

#include "wake/errors.h"
#include "wake/wake_packet.h"

namespace {

bool hasMacForm(const char* macAddress) {
  if (std::strlen(macAddress) != kMacTextLength) return false;
  for (std::size_t dash = 2; dash < kMacTextLength; dash += 3) {
    if (macAddress[dash] != '-') return false;
  }
  return true;
}

}  // namespace

WolSender::WolSender(std::int32_t port, std::uint32_t sendCount, std::uint32_t delayMs)
    : port(port), sendCount(sendCount), delayMs(delayMs), sock(platform::kInvalidSocket) {
  platform::WsaData data{};
  const int result = platform::WSAStartup(platform::kWinsockVersion22, &data);
  if (result != 0) {
    std::printf("ERROR: windows sockets startup failed (Error %i).\n", result);
    throw SocketError();
  }
  sock = platform::socket(platform::kAfInet, platform::kSockDgram, 0);
  if (sock == platform::kInvalidSocket) {
    std::printf("ERROR: unable to create socket (Error #%i).\n", platform::WSAGetLastError());
    throw SocketError();
  }
}

WolSender::~WolSender() {
  platform::closesocket(sock);
  if (platform::WSACleanup() != 0) {
    std::printf("ERROR: socket cleanup failed (Error #%i).\n", platform::WSAGetLastError());
  }
}

void WolSender::wake(const char* ipAddress, const char* macAddress, const char* password) {
  if (!hasMacForm(macAddress)) {
    std::printf("ERROR: macAddress must be of the form '00-0D-56-AC-E4-7C' It was '%s'.\n",
                macAddress);
    throw FormatError();
  }
  if (std::strlen(password) > kMaxPasswordLength) {
    std::printf("ERROR: password cannot be longer than 8 characters.\n");
    throw FormatError();
  }
  const auto wirePort = static_cast<std::uint16_t>(port);
  const std::uint32_t address = platform::inet_addr(ipAddress);
  if (address == platform::kInaddrNone) {
    std::printf("ERROR: inet_addr failed for address '%s'.\n", ipAddress);
    throw SocketError();
  }
  unsigned char packet[kWakePacketWithPasswordSize];
  const int length = static_cast<int>(buildWakePacket(macAddress, password, packet));
  if (sendCount == 0) return;

  platform::SockAddrIn destination{};
  destination.family = platform::kAfInet;
  destination.port = platform::htons(wirePort);
  destination.address = address;
  for (std::uint32_t i = 0; i < sendCount; ++i) {
    const int sent = platform::sendto(sock, packet, length, 0, &destination,
                                      static_cast<int>(sizeof destination));
    if (sent == platform::kSocketError) {
      std::printf("ERROR: unable to send packet (Error #%i).\n", platform::WSAGetLastError());
      throw SocketError();
    }
    if (sent != length) {
      std::printf("Error: %i bytes of message sent, %i expected.\n", sent, length);
      throw SocketError();
    }
    platform::Sleep(delayMs);
  }
}
