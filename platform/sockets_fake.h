// A scripted stand-in for the socket layer, linked into tests in place of the
// real one. It records every call in order and answers as the script says; it
// opens no socket and never sleeps.

#ifndef ZORWOL_PLATFORM_SOCKETS_FAKE_H_
#define ZORWOL_PLATFORM_SOCKETS_FAKE_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/sockets.h"

namespace platform::fake {

// The handle the fake socket call hands out.
constexpr Socket kSocket = 7;
// The network-order value the default script gives for "127.0.0.1".
constexpr std::uint32_t kLoopback = 0x0100007Fu;

struct Script {
  int startupResult = 0;  // WSAStartup's result
  int socketError = 0;    // not 0: socket fails with this error number
  int cleanupError = 0;   // not 0: WSACleanup fails with this error number
  int sendError = 0;      // the error number of a send scripted to fail
  // The result of each sendto in turn; calls past the end send everything.
  std::vector<int> sendResults;
  // What inet_addr gives for the text up to its first white space; any other
  // text gives kInaddrNone.
  std::map<std::string, std::uint32_t> addresses{{"127.0.0.1", kLoopback}};
};

struct Datagram {
  std::vector<unsigned char> payload;
  int flags;
  SockAddrIn to;
  int toLength;
};

// Clears the record and restores the default script.
void reset();
Script& script();
// Every call, in order, written as "name(arguments)".
const std::vector<std::string>& calls();
// The arguments of every sendto, whatever it was scripted to return.
const std::vector<Datagram>& datagrams();

}  // namespace platform::fake

#endif  // ZORWOL_PLATFORM_SOCKETS_FAKE_H_
