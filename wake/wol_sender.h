// WolSender owns the network side of a run: the started socket library and
// one unbound IPv4 UDP socket, from construction to destruction.
//
// Each wake validates one target, builds its wake packet and sends it
// sendCount times, pausing delayMs after every datagram. Every failure prints
// one line to standard output (a bad hex digit excepted) and throws
// SocketError or FormatError. The destructor closes the socket and shuts the
// library down; a shutdown failure is printed, never thrown.
//
// Used by one thread. Not copyable: it owns the socket.

#ifndef ZORWOL_WAKE_WOL_SENDER_H_
#define ZORWOL_WAKE_WOL_SENDER_H_

#include <cstdint>

#include "platform/sockets.h"

class WolSender {
 public:
  // Starts the socket library (version 2.2) and creates the socket. Prints
  // and throws SocketError when either fails; nothing is then cleaned up.
  WolSender(std::int32_t port, std::uint32_t sendCount, std::uint32_t delayMs);
  virtual ~WolSender();

  WolSender(const WolSender&) = delete;
  WolSender& operator=(const WolSender&) = delete;

  // Wakes one target. The tests come in this order, and the first failure
  // ends the call: the MAC form (17 characters with dashes at 2, 5, 8, 11 and
  // 14), the password length (at most 8), the address (as inet_addr reads it:
  // up to the first white space), the hex digits. Only the low 16 bits of the
  // port are used.
  void wake(const char* ipAddress, const char* macAddress, const char* password);

 private:
  std::int32_t port;
  std::uint32_t sendCount;
  std::uint32_t delayMs;
  platform::Socket sock;
};

#endif  // ZORWOL_WAKE_WOL_SENDER_H_
