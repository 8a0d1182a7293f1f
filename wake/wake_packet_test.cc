#include "wake/wake_packet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "wake/errors.h"

namespace {

using Bytes = std::vector<unsigned char>;

const Bytes kReferenceMac = {0x00, 0x0D, 0x56, 0xAC, 0xE4, 0x7C};

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// The packet as its layout describes it, written out independently.
Bytes expected(const Bytes& mac, const Bytes& passwordField) {
  Bytes bytes = text("ZORWolHead");
  bytes.insert(bytes.end(), 6, 0xFF);
  for (int copy = 0; copy < 16; ++copy) bytes.insert(bytes.end(), mac.begin(), mac.end());
  bytes.insert(bytes.end(), passwordField.begin(), passwordField.end());
  const Bytes tail = text("ZORWolTail");
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

Bytes build(const char* mac, const char* password) {
  unsigned char packet[kWakePacketWithPasswordSize + 8];
  // A filler that no packet byte should keep.
  std::fill(std::begin(packet), std::end(packet), 0xA5);
  const std::size_t length = buildWakePacket(mac, password, packet);
  for (std::size_t i = length; i < sizeof packet; ++i) EXPECT_EQ(packet[i], 0xA5) << "byte " << i;
  return Bytes(packet, packet + length);
}

TEST(WakePacket, ReferenceMacWithoutPassword) {
  const Bytes packet = build("00-0D-56-AC-E4-7C", "");
  ASSERT_EQ(packet.size(), 122u);
  EXPECT_EQ(packet, expected(kReferenceMac, {}));
}

TEST(WakePacket, DigitsOfEitherCaseGiveTheSameBytes) {
  EXPECT_EQ(build("00-0d-56-ac-e4-7c", ""), expected(kReferenceMac, {}));
  EXPECT_EQ(build("00-0D-56-aC-e4-7C", ""), expected(kReferenceMac, {}));
  EXPECT_EQ(build("Ff-a9-10-Bc-De-01", ""), expected({0xFF, 0xA9, 0x10, 0xBC, 0xDE, 0x01}, {}));
}

TEST(WakePacket, PasswordSitsBetweenTheCopiesAndTheTail) {
  struct Case {
    const char* password;
    Bytes field;
  };
  const Case cases[] = {
      {"abc", {'a', 'b', 'c', 0, 0, 0, 0, 0}},
      {"x", {'x', 0, 0, 0, 0, 0, 0, 0}},
      {"12345678", {'1', '2', '3', '4', '5', '6', '7', '8'}},
      {"\xff\x80 A", {0xFF, 0x80, ' ', 'A', 0, 0, 0, 0}},  // raw bytes, no case folding
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.password);
    const Bytes packet = build("00-0D-56-AC-E4-7C", c.password);
    ASSERT_EQ(packet.size(), 130u);
    EXPECT_EQ(packet, expected(kReferenceMac, c.field));
  }
}

TEST(WakePacket, NonHexDigitIsRefused) {
  // Every digit position, with characters just outside the hex ranges.
  for (int position : {0, 1, 3, 4, 6, 7, 9, 10, 12, 13, 15, 16}) {
    for (char bad : {'G', 'g', ' ', '-', ':', '/', '@', '`', '\xff'}) {
      std::string mac = "00-0D-56-AC-E4-7C";
      mac[static_cast<std::size_t>(position)] = bad;
      SCOPED_TRACE(mac);
      unsigned char packet[kWakePacketWithPasswordSize];
      EXPECT_THROW(buildWakePacket(mac.c_str(), "", packet), FormatError);
    }
  }
}

}  // namespace
