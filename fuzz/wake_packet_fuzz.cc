// The packet builder on any MAC text of the tested form and any password of
// 0 to 8 bytes, against the layout written out independently.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "wake/errors.h"
#include "wake/wake_packet.h"

namespace {

int digitValue(unsigned char c) {
  static const char kDigits[] = "0123456789abcdef0123456789ABCDEF";
  for (int i = 0; i < 32; ++i) {
    if (static_cast<unsigned char>(kDigits[i]) == c) return i % 16;
  }
  return -1;
}

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Twelve digit characters, a password length and the password's bytes.
  if (size < 13) return -1;
  std::string mac = "00-00-00-00-00-00";
  const int positions[] = {0, 1, 3, 4, 6, 7, 9, 10, 12, 13, 15, 16};
  for (int i = 0; i < 12; ++i)
    mac[static_cast<std::size_t>(positions[i])] = static_cast<char>(data[i]);
  const std::size_t passwordLength = std::min<std::size_t>(data[12] % 9, size - 13);
  std::string password(reinterpret_cast<const char*>(data + 13), passwordLength);
  std::replace(password.begin(), password.end(), '\0', '\x01');  // a C string holds no NUL

  std::vector<std::uint8_t> mac6;
  bool allHex = true;
  for (int i = 0; i < 12; i += 2) {
    const int high = digitValue(data[i]);
    const int low = digitValue(data[i + 1]);
    allHex = allHex && high >= 0 && low >= 0;
    mac6.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }

  // Exactly the largest packet, so that a byte past it is caught.
  auto packet = std::make_unique<unsigned char[]>(kWakePacketWithPasswordSize);
  std::size_t length = 0;
  try {
    length = buildWakePacket(mac.c_str(), password.c_str(), packet.get());
  } catch (const FormatError&) {
    check(!allHex);
    return 0;
  }
  check(allHex);

  std::vector<std::uint8_t> expected(reinterpret_cast<const std::uint8_t*>("ZORWolHead"),
                                     reinterpret_cast<const std::uint8_t*>("ZORWolHead") + 10);
  expected.insert(expected.end(), 6, 0xFF);
  for (int copy = 0; copy < 16; ++copy) expected.insert(expected.end(), mac6.begin(), mac6.end());
  if (!password.empty()) {
    expected.insert(expected.end(), password.begin(), password.end());
    expected.push_back(0);  // the terminator, for a short one
    expected.resize(112 + 8);
  }
  const char* tail = "ZORWolTail";
  expected.insert(expected.end(), tail, tail + 10);

  check(length == (password.empty() ? 122u : 130u));
  check(length == expected.size());
  check(std::memcmp(packet.get(), expected.data(), length) == 0);
  return 0;
}
