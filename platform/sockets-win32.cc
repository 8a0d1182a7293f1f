// The Winsock-shaped calls on Windows: each forwards to ws2_32 or the kernel,
// so error numbers are the platform's own. Sleep alone is built here: the
// kernel's counts in clock ticks of 15.6 ms and may return early.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winsock2.h>

#include "platform/sockets.h"

static_assert(sizeof(SOCKET) == sizeof(platform::Socket), "socket handles must fit");
static_assert(INVALID_SOCKET == platform::kInvalidSocket, "same invalid handle");
static_assert(SOCKET_ERROR == platform::kSocketError, "same error result");
static_assert(AF_INET == platform::kAfInet && SOCK_DGRAM == platform::kSockDgram, "same constants");
static_assert(INADDR_NONE == platform::kInaddrNone, "same refusal value");

namespace platform {
namespace {

// CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, from Windows 10 1803 on; the mingw-w64
// headers at hand do not name it yet.
constexpr DWORD kHighResolutionTimer = 0x00000002;

// The waitable timer that every pause waits on: high-resolution where
// Windows has it, an ordinary one on older Windows, none if neither can be
// made. Made once, closed when the process ends.
class PauseTimer {
 public:
  PauseTimer()
      : handle(CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS)) {
    if (handle == nullptr) handle = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
  }
  ~PauseTimer() {
    if (handle != nullptr) CloseHandle(handle);
  }
  PauseTimer(const PauseTimer&) = delete;
  PauseTimer& operator=(const PauseTimer&) = delete;

  // Waits about the given number of 100 ns units. False if there is no timer
  // or it failed.
  bool wait(LONGLONG units) const {
    if (handle == nullptr) return false;
    LARGE_INTEGER due;
    due.QuadPart = -units;  // negative: relative to now
    return SetWaitableTimer(handle, &due, 0, nullptr, nullptr, FALSE) != 0 &&
           WaitForSingleObject(handle, INFINITE) == WAIT_OBJECT_0;
  }

 private:
  HANDLE handle;
};

LONGLONG counterNow() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

// count * numerator / denominator, rounded up, without overflow for any
// count of milliseconds or counter ticks.
LONGLONG scaleUp(LONGLONG count, LONGLONG numerator, LONGLONG denominator) {
  return count / denominator * numerator +
         (count % denominator * numerator + denominator - 1) / denominator;
}

}  // namespace

int WSAStartup(std::uint16_t versionRequested, WsaData* data) {
  WSADATA granted{};
  const int result = ::WSAStartup(versionRequested, &granted);
  if (result == 0 && data != nullptr) {
    data->version = granted.wVersion;
    data->highVersion = granted.wHighVersion;
  }
  return result;
}

int WSACleanup() { return ::WSACleanup(); }

int WSAGetLastError() { return ::WSAGetLastError(); }

Socket socket(int family, int type, int protocol) { return ::socket(family, type, protocol); }

int sendto(Socket sock, const unsigned char* data, int length, int flags, const SockAddrIn* to,
           int toLength) {
  sockaddr_in destination{};
  destination.sin_family = static_cast<decltype(destination.sin_family)>(to->family);
  destination.sin_port = to->port;
  destination.sin_addr.s_addr = to->address;
  return ::sendto(sock, reinterpret_cast<const char*>(data), length, flags,
                  reinterpret_cast<const sockaddr*>(&destination), toLength);
}

int closesocket(Socket sock) { return ::closesocket(sock); }

std::uint16_t htons(std::uint16_t hostValue) { return ::htons(hostValue); }

std::uint32_t inet_addr(const char* text) { return ::inet_addr(text); }

void Sleep(std::uint32_t milliseconds) {
  static const PauseTimer timer;
  static const LONGLONG frequency = [] {
    LARGE_INTEGER perSecond;
    QueryPerformanceFrequency(&perSecond);
    return perSecond.QuadPart;
  }();
  const LONGLONG deadline = counterNow() + scaleUp(milliseconds, frequency, 1000);
  // The counter, not the timer, decides when the pause is over: a wait that
  // ends early is followed by one for what is left.
  for (LONGLONG now = counterNow(); now < deadline; now = counterNow()) {
    const LONGLONG units = scaleUp(deadline - now, 10000000, frequency);
    if (!timer.wait(units)) ::Sleep(static_cast<DWORD>(scaleUp(units, 1, 10000)));
  }
}

}  // namespace platform
