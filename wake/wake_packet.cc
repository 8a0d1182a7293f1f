#include "wake/wake_packet.h"

#include <cstring>

#include "wake/errors.h"

namespace {

constexpr char kHead[] = "ZORWolHead";
constexpr char kTail[] = "ZORWolTail";
constexpr std::size_t kMarkerLength = sizeof kHead - 1;
constexpr std::size_t kSyncLength = 6;
constexpr std::size_t kMacLength = 6;
constexpr std::size_t kMacCopies = 16;

int hexValue(char digit) {
  if (digit >= '0' && digit <= '9') return digit - '0';
  if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
  if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
  throw FormatError();
}

}  // namespace

std::size_t buildWakePacket(const char* macAddress, const char* password, unsigned char* packet) {
  // Decode first, so a bad digit leaves nothing half written that looks usable.
  unsigned char mac[kMacLength];
  for (std::size_t i = 0; i < kMacLength; ++i) {
    const char* pair = macAddress + 3 * i;
    mac[i] = static_cast<unsigned char>(hexValue(pair[0]) * 16 + hexValue(pair[1]));
  }

  unsigned char* out = packet;
  std::memcpy(out, kHead, kMarkerLength);
  out += kMarkerLength;
  std::memset(out, 0xFF, kSyncLength);
  out += kSyncLength;
  for (std::size_t copy = 0; copy < kMacCopies; ++copy) {
    std::memcpy(out, mac, kMacLength);
    out += kMacLength;
  }
  if (password[0] != '\0') {
    // Zeros after the password: its terminator, and a field that leaks nothing.
    std::memset(out, 0, kMaxPasswordLength);
    for (std::size_t i = 0; i < kMaxPasswordLength && password[i] != '\0'; ++i) {
      out[i] = static_cast<unsigned char>(password[i]);
    }
    out += kMaxPasswordLength;
  }
  std::memcpy(out, kTail, kMarkerLength);
  out += kMarkerLength;
  return static_cast<std::size_t>(out - packet);
}
