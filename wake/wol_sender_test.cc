#include "wake/wol_sender.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/sockets_fake.h"
#include "wake/errors.h"
#include "wake/wake_packet.h"

namespace {

static_assert(!std::is_copy_constructible_v<WolSender> && !std::is_copy_assignable_v<WolSender>,
              "a sender owns its socket");
static_assert(std::has_virtual_destructor_v<WolSender>);

namespace fake = platform::fake;
using Calls = std::vector<std::string>;

const char kMac[] = "00-0D-56-AC-E4-7C";

struct Outcome {
  std::string output;
  std::string thrown;  // "SocketError", "FormatError" or ""
};

Outcome run(const std::function<void()>& body) {
  Outcome outcome;
  testing::internal::CaptureStdout();
  try {
    body();
  } catch (const SocketError&) {
    outcome.thrown = "SocketError";
  } catch (const FormatError&) {
    outcome.thrown = "FormatError";
  }
  outcome.output = testing::internal::GetCapturedStdout();
  return outcome;
}

// One sender's whole life: construction, one wake, destruction.
Outcome wakeOnce(const char* ip, const char* mac, const char* password, std::int32_t port = 9,
                 std::uint32_t sendCount = 3) {
  return run([&] {
    WolSender sender(port, sendCount, 10);
    sender.wake(ip, mac, password);
  });
}

const Calls kStart = {"WSAStartup(0x0202)", "socket(2, 2, 0)"};
const Calls kFinish = {"closesocket(7)", "WSACleanup()"};

Calls concat(std::initializer_list<Calls> parts) {
  Calls all;
  for (const Calls& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class WolSenderTest : public testing::Test {
 protected:
  void SetUp() override { fake::reset(); }
};

TEST_F(WolSenderTest, SendsThreeIdenticalDatagramsWithAPauseAfterEach) {
  const Outcome outcome = wakeOnce("127.0.0.1", kMac, "");
  EXPECT_EQ(outcome.output, "");
  EXPECT_EQ(outcome.thrown, "");
  EXPECT_EQ(fake::calls(),
            concat({kStart,
                    {"inet_addr(127.0.0.1)", "htons(9)", "sendto(7, 122)", "Sleep(10)",
                     "sendto(7, 122)", "Sleep(10)", "sendto(7, 122)", "Sleep(10)"},
                    kFinish}));

  unsigned char packet[kWakePacketWithPasswordSize];
  const std::size_t length = buildWakePacket(kMac, "", packet);
  ASSERT_EQ(fake::datagrams().size(), 3u);
  for (const fake::Datagram& d : fake::datagrams()) {
    EXPECT_EQ(d.payload, std::vector<unsigned char>(packet, packet + length));
    EXPECT_EQ(d.flags, 0);
    EXPECT_EQ(d.to.family, platform::kAfInet);
    EXPECT_EQ(d.to.port, 0x0900);  // the fake's htons swaps bytes
    EXPECT_EQ(d.to.address, fake::kLoopback);
    EXPECT_EQ(d.toLength, 16);
  }
}

TEST_F(WolSenderTest, OneSenderServesManyTargetsOnOneSocket) {
  fake::script().addresses["127.0.0.2"] = 0x0200007F;
  run([] {
    WolSender sender(9, 1, 10);
    sender.wake("127.0.0.1", kMac, "");
    sender.wake("127.0.0.2", "01-02-03-04-05-06", "pw");
  });
  EXPECT_EQ(fake::calls(),
            concat({kStart,
                    {"inet_addr(127.0.0.1)", "htons(9)", "sendto(7, 122)", "Sleep(10)",
                     "inet_addr(127.0.0.2)", "htons(9)", "sendto(7, 130)", "Sleep(10)"},
                    kFinish}));
  ASSERT_EQ(fake::datagrams().size(), 2u);
  EXPECT_EQ(fake::datagrams()[1].to.address, 0x0200007Fu);
}

TEST_F(WolSenderTest, OnlyTheLowSixteenBitsOfThePortAreUsed) {
  struct Case {
    std::int32_t port;
    std::uint16_t wire;
  };
  const Case cases[] = {{9, 9},          {65536 + 9, 9}, {-1, 65535},
                        {-65536 + 7, 7}, {INT32_MIN, 0}, {INT32_MAX, 65535}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.port);
    fake::reset();
    wakeOnce("127.0.0.1", kMac, "", c.port, 1);
    EXPECT_EQ(fake::calls()[3], "htons(" + std::to_string(c.wire) + ")");
  }
}

TEST_F(WolSenderTest, PasswordLengths) {
  EXPECT_EQ(wakeOnce("127.0.0.1", kMac, "12345678").output, "");
  ASSERT_EQ(fake::datagrams().size(), 3u);
  EXPECT_EQ(fake::datagrams()[0].payload.size(), 130u);

  fake::reset();
  const Outcome tooLong = wakeOnce("127.0.0.1", kMac, "123456789");
  EXPECT_EQ(tooLong.output, "ERROR: password cannot be longer than 8 characters.\n");
  EXPECT_EQ(tooLong.thrown, "FormatError");
  EXPECT_TRUE(fake::datagrams().empty());
}

TEST_F(WolSenderTest, SendCountZeroValidatesAndBuildsButSendsNothing) {
  EXPECT_EQ(wakeOnce("127.0.0.1", kMac, "", 9, 0).thrown, "");
  EXPECT_EQ(fake::calls(), concat({kStart, {"inet_addr(127.0.0.1)"}, kFinish}));
  // The digits are still tested.
  fake::reset();
  EXPECT_EQ(wakeOnce("127.0.0.1", "00-0D-56-AC-E4-7G", "", 9, 0).thrown, "FormatError");
}

// Every failure of a wake: the message, the exception, and how far it got.
struct Refusal {
  const char* name;
  const char* ip;
  const char* mac;
  const char* password;
  const char* output;
  const char* thrown;
  Calls calls;  // between the start and the finish
};

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.name; }

class WolSenderRefusal : public WolSenderTest, public testing::WithParamInterface<Refusal> {};

TEST_P(WolSenderRefusal, PrintsAndThrowsBeforeSending) {
  const Refusal& r = GetParam();
  const Outcome outcome = wakeOnce(r.ip, r.mac, r.password);
  EXPECT_EQ(outcome.output, r.output);
  EXPECT_EQ(outcome.thrown, r.thrown);
  EXPECT_EQ(fake::calls(), concat({kStart, r.calls, kFinish}));
}

const char kColonsMessage[] =
    "ERROR: macAddress must be of the form '00-0D-56-AC-E4-7C' It was '00:0D:56:AC:E4:7C'.\n";

INSTANTIATE_TEST_SUITE_P(
    Table, WolSenderRefusal,
    testing::Values(
        Refusal{"Colons", "127.0.0.1", "00:0D:56:AC:E4:7C", "", kColonsMessage, "FormatError", {}},
        Refusal{"MacFormBeforePassword",
                "127.0.0.1",
                "00:0D:56:AC:E4:7C",
                "123456789",
                kColonsMessage,
                "FormatError",
                {}},
        Refusal{"MacTooShort",
                "127.0.0.1",
                "00-0D-56-AC-E4-7",
                "",
                "ERROR: macAddress must be of the form '00-0D-56-AC-E4-7C' It was "
                "'00-0D-56-AC-E4-7'.\n",
                "FormatError",
                {}},
        Refusal{"MacTooLong",
                "127.0.0.1",
                "00-0D-56-AC-E4-7C-",
                "",
                "ERROR: macAddress must be of the form '00-0D-56-AC-E4-7C' It was "
                "'00-0D-56-AC-E4-7C-'.\n",
                "FormatError",
                {}},
        Refusal{"EmptyMac",
                "127.0.0.1",
                "",
                "",
                "ERROR: macAddress must be of the form '00-0D-56-AC-E4-7C' It was ''.\n",
                "FormatError",
                {}},
        Refusal{"PasswordBeforeAddress",
                "nowhere",
                kMac,
                "123456789",
                "ERROR: password cannot be longer than 8 characters.\n",
                "FormatError",
                {}},
        Refusal{"BadAddress",
                "127.0.0.300",
                kMac,
                "",
                "ERROR: inet_addr failed for address '127.0.0.300'.\n",
                "SocketError",
                {"inet_addr(127.0.0.300)"}},
        Refusal{"AllOnesAddress",
                "255.255.255.255",
                kMac,
                "",
                "ERROR: inet_addr failed for address '255.255.255.255'.\n",
                "SocketError",
                {"inet_addr(255.255.255.255)"}},
        Refusal{"AddressBeforeDigits",
                "127.0.0.300",
                "00-0D-56-AC-E4-7G",
                "",
                "ERROR: inet_addr failed for address '127.0.0.300'.\n",
                "SocketError",
                {"inet_addr(127.0.0.300)"}},
        Refusal{"BadDigitIsSilent",
                "127.0.0.1",
                "00-0D-56-AC-E4-7G",
                "",
                "",
                "FormatError",
                {"inet_addr(127.0.0.1)"}}),
    [](const testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST_F(WolSenderTest, StartupFailureIsPrintedAndNothingIsCleanedUp) {
  fake::script().startupResult = 10091;
  const Outcome outcome = wakeOnce("127.0.0.1", kMac, "");
  EXPECT_EQ(outcome.output, "ERROR: windows sockets startup failed (Error 10091).\n");
  EXPECT_EQ(outcome.thrown, "SocketError");
  EXPECT_EQ(fake::calls(), Calls{"WSAStartup(0x0202)"});
}

TEST_F(WolSenderTest, SocketFailureIsPrintedAndNothingIsCleanedUp) {
  fake::script().socketError = 10047;
  const Outcome outcome = wakeOnce("127.0.0.1", kMac, "");
  EXPECT_EQ(outcome.output, "ERROR: unable to create socket (Error #10047).\n");
  EXPECT_EQ(outcome.thrown, "SocketError");
  EXPECT_EQ(fake::calls(), concat({kStart, {"WSAGetLastError()"}}));
}

TEST_F(WolSenderTest, SendFailures) {
  struct Case {
    std::vector<int> results;
    const char* output;
    Calls sends;  // after the address conversion and htons
  };
  const Case cases[] = {
      {{-1},
       "ERROR: unable to send packet (Error #10013).\n",
       {"sendto(7, 122)", "WSAGetLastError()"}},
      {{50}, "Error: 50 bytes of message sent, 122 expected.\n", {"sendto(7, 122)"}},
      {{0}, "Error: 0 bytes of message sent, 122 expected.\n", {"sendto(7, 122)"}},
      // Earlier repetitions stay sent; there is no retry.
      {{122, 122, -1},
       "ERROR: unable to send packet (Error #10013).\n",
       {"sendto(7, 122)", "Sleep(10)", "sendto(7, 122)", "Sleep(10)", "sendto(7, 122)",
        "WSAGetLastError()"}},
      {{122, 121},
       "Error: 121 bytes of message sent, 122 expected.\n",
       {"sendto(7, 122)", "Sleep(10)", "sendto(7, 122)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.output);
    fake::reset();
    fake::script().sendResults = c.results;
    fake::script().sendError = 10013;
    const Outcome outcome = wakeOnce("127.0.0.1", kMac, "");
    EXPECT_EQ(outcome.output, c.output);
    EXPECT_EQ(outcome.thrown, "SocketError");
    EXPECT_EQ(fake::calls(),
              concat({kStart, {"inet_addr(127.0.0.1)", "htons(9)"}, c.sends, kFinish}));
  }
}

TEST_F(WolSenderTest, CleanupFailureIsPrintedAndNotThrown) {
  fake::script().cleanupError = 10093;
  const Outcome outcome = wakeOnce("127.0.0.1", kMac, "");
  EXPECT_EQ(outcome.output, "ERROR: socket cleanup failed (Error #10093).\n");
  EXPECT_EQ(outcome.thrown, "");
  const Calls& calls = fake::calls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(Calls(calls.end() - 3, calls.end()),
            (Calls{"closesocket(7)", "WSACleanup()", "WSAGetLastError()"}));
}

TEST_F(WolSenderTest, CleanupFailureFollowsTheCauseDuringUnwinding) {
  fake::script().cleanupError = 10093;
  const Outcome outcome = wakeOnce("127.0.0.1", "bad", "");
  EXPECT_EQ(outcome.output,
            "ERROR: macAddress must be of the form '00-0D-56-AC-E4-7C' It was 'bad'.\n"
            "ERROR: socket cleanup failed (Error #10093).\n");
  EXPECT_EQ(outcome.thrown, "FormatError");
}

}  // namespace
