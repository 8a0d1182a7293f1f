// The wake packet: the UDP payload that asks a machine to wake up.
//
//   "ZORWolHead", six 0xFF, the six MAC bytes sixteen times,
//   the 8-byte password field (only with a password), "ZORWolTail".
//
// Bytes 10 to 111 are a standard magic packet; the markers frame it.

#ifndef ZORWOL_WAKE_WAKE_PACKET_H_
#define ZORWOL_WAKE_WAKE_PACKET_H_

#include <cstddef>

constexpr std::size_t kWakePacketSize = 122;
constexpr std::size_t kWakePacketWithPasswordSize = 130;
constexpr std::size_t kMaxPasswordLength = 8;
// The length of a MAC text such as 00-0D-56-AC-E4-7C.
constexpr std::size_t kMacTextLength = 17;

// Writes the payload for macAddress, a text of the form 00-0D-56-AC-E4-7C
// (digits of either case), and password (empty, or at most 8 bytes) into
// packet, which holds at least kWakePacketWithPasswordSize bytes. Returns the
// number of bytes written: 122, or 130 with a password.
//
// The caller has tested the length and dashes of macAddress and the length of
// password. Throws FormatError, printing nothing, when a digit position holds
// no hex digit; packet is then of no use.
std::size_t buildWakePacket(const char* macAddress, const char* password, unsigned char* packet);

#endif  // ZORWOL_WAKE_WAKE_PACKET_H_
