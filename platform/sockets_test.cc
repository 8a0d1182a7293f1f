// What the sender relies on from the real socket layer, checked rather than
// assumed.

#include "platform/sockets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <sys/time.h>

#include <csignal>
#endif

namespace {

// Network byte order as bytes in memory, whatever the host's order.
std::uint32_t networkOrder(unsigned char a, unsigned char b, unsigned char c, unsigned char d) {
  const unsigned char bytes[] = {a, b, c, d};
  std::uint32_t value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

TEST(Sockets, InetAddrReadsTheClassicFormsUpToWhiteSpace) {
  const std::uint32_t loopback = networkOrder(127, 0, 0, 1);
  struct Case {
    const char* text;
    std::uint32_t address;
  };
  const Case cases[] = {
      {"127.0.0.1", loopback},
      {"127.1", loopback},
      {"127.0.1", loopback},
      {"0x7f.0.0.1", loopback},
      {"0177.0.0.1", loopback},
      {"2130706433", loopback},
      {"0x7F000001", loopback},
      {"127.0.0.1 00-0D-56-AC-E4-7C", loopback},
      {"127.0.0.1\t00-0D-56-AC-E4-7C", loopback},
      {"127.0.0.1\f", loopback},
      {"127.0.0.1 ", loopback},
      {"127.1.2.3", networkOrder(127, 1, 2, 3)},
      {"127.0.0.300", platform::kInaddrNone},
      {"127.0.0.1x", platform::kInaddrNone},
      {"127.0.0.1.1", platform::kInaddrNone},
      {"0128.0.0.1", platform::kInaddrNone},
      {"", platform::kInaddrNone},
      {" 127.0.0.1", platform::kInaddrNone},
      {"localhost", platform::kInaddrNone},
      {"255.255.255.255", platform::kInaddrNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(platform::inet_addr(c.text), c.address);
  }
}

TEST(Sockets, HtonsGivesNetworkOrder) {
  const std::uint16_t port = platform::htons(0x1234);
  unsigned char bytes[2];
  std::memcpy(bytes, &port, sizeof bytes);
  EXPECT_EQ(bytes[0], 0x12);
  EXPECT_EQ(bytes[1], 0x34);
}

TEST(Sockets, CleanupFailsWithoutAnOutstandingStart) {
  platform::WsaData data{};
  ASSERT_EQ(platform::WSAStartup(platform::kWinsockVersion22, &data), 0);
  ASSERT_EQ(platform::WSAStartup(platform::kWinsockVersion22, &data), 0);
  EXPECT_EQ(platform::WSACleanup(), 0);
  EXPECT_EQ(platform::WSACleanup(), 0);
  EXPECT_EQ(platform::WSACleanup(), platform::kSocketError);
  EXPECT_NE(platform::WSAGetLastError(), 0);
}

TEST(Sockets, FailedSendReportsAnErrorNumber) {
  platform::WsaData data{};
  ASSERT_EQ(platform::WSAStartup(platform::kWinsockVersion22, &data), 0);
  const platform::Socket sock = platform::socket(platform::kAfInet, platform::kSockDgram, 0);
  ASSERT_NE(sock, platform::kInvalidSocket);
  // Port 0 is refused by the system; nothing leaves the machine.
  platform::SockAddrIn to{};
  to.family = platform::kAfInet;
  to.port = platform::htons(0);
  to.address = networkOrder(127, 0, 0, 1);
  const unsigned char payload[] = {1, 2, 3};
  EXPECT_EQ(platform::sendto(sock, payload, sizeof payload, 0, &to, sizeof to),
            platform::kSocketError);
  EXPECT_NE(platform::WSAGetLastError(), 0);
  EXPECT_EQ(platform::closesocket(sock), 0);
  EXPECT_EQ(platform::WSACleanup(), 0);
}

TEST(Sockets, SleepLastsAtLeastTheGivenTime) {
  for (std::uint32_t ms : {0u, 1u, 10u, 25u}) {
    const auto start = std::chrono::steady_clock::now();
    platform::Sleep(ms);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(ms)) << ms << " ms";
  }
}

// The clock a pause is measured by where it runs, in its own ticks: the
// performance counter on Windows, the monotonic clock elsewhere.
struct Reading {
  std::int64_t ticks;
  std::int64_t perSecond;
};

Reading readClock() {
#ifdef _WIN32
  LARGE_INTEGER now;
  LARGE_INTEGER frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return {now.QuadPart, frequency.QuadPart};
#else
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return {std::chrono::duration_cast<std::chrono::nanoseconds>(now).count(), 1000000000};
#endif
}

// Windows' own Sleep counts in clock ticks and may end a 10 ms pause early;
// ours must not, not once in a run of them.
TEST(Sockets, NoPauseOfTenMillisecondsEndsEarly) {
  std::int64_t shortest = INT64_MAX;
  std::int64_t longest = 0;
  std::int64_t perSecond = 1;
  for (int i = 0; i < 50; ++i) {
    const Reading start = readClock();
    platform::Sleep(10);
    const Reading end = readClock();
    shortest = std::min(shortest, end.ticks - start.ticks);
    longest = std::max(longest, end.ticks - start.ticks);
    perSecond = end.perSecond;
  }
  EXPECT_GE(shortest * 100, perSecond) << "shortest " << shortest << " of " << perSecond << "/s";
  EXPECT_LT(longest, perSecond) << "longest " << longest << " of " << perSecond << "/s";
}

#ifndef _WIN32
extern "C" void ignoreAlarm(int /*signal*/) {}

TEST(Sockets, SleepResumesAfterASignal) {
  struct sigaction action {};
  action.sa_handler = ignoreAlarm;  // no SA_RESTART: the wait is interrupted
  struct sigaction previous {};
  ASSERT_EQ(sigaction(SIGALRM, &action, &previous), 0);
  itimerval timer{};
  timer.it_value.tv_usec = 5000;
  timer.it_interval.tv_usec = 5000;
  ASSERT_EQ(setitimer(ITIMER_REAL, &timer, nullptr), 0);

  const auto start = std::chrono::steady_clock::now();
  platform::Sleep(40);
  const auto elapsed = std::chrono::steady_clock::now() - start;

  timer = itimerval{};
  setitimer(ITIMER_REAL, &timer, nullptr);
  sigaction(SIGALRM, &previous, nullptr);
  EXPECT_GE(elapsed, std::chrono::milliseconds(40));
  EXPECT_LT(elapsed, std::chrono::milliseconds(1000));
}
#endif

}  // namespace
