#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/sockets.h"
#include "platform/sockets_fake.h"

namespace platform {
namespace fake {
namespace {

struct State {
  Script script;
  std::vector<std::string> calls;
  std::vector<Datagram> datagrams;
  int lastError = 0;
};

State& state() {
  static State instance;
  return instance;
}

void record(const std::string& call) { state().calls.push_back(call); }

std::string hex(unsigned value) {
  char text[16];
  (void)std::snprintf(text, sizeof text, "0x%04x", value);
  return text;
}

}  // namespace

void reset() { state() = State{}; }
Script& script() { return state().script; }
const std::vector<std::string>& calls() { return state().calls; }
const std::vector<Datagram>& datagrams() { return state().datagrams; }

}  // namespace fake

using fake::record;
using fake::state;

int WSAStartup(std::uint16_t versionRequested, WsaData* data) {
  record("WSAStartup(" + fake::hex(versionRequested) + ")");
  if (data != nullptr) *data = WsaData{versionRequested, versionRequested};
  return state().script.startupResult;
}

int WSACleanup() {
  record("WSACleanup()");
  if (state().script.cleanupError == 0) return 0;
  state().lastError = state().script.cleanupError;
  return kSocketError;
}

int WSAGetLastError() {
  record("WSAGetLastError()");
  return state().lastError;
}

Socket socket(int family, int type, int protocol) {
  record("socket(" + std::to_string(family) + ", " + std::to_string(type) + ", " +
         std::to_string(protocol) + ")");
  if (state().script.socketError == 0) return fake::kSocket;
  state().lastError = state().script.socketError;
  return kInvalidSocket;
}

int sendto(Socket sock, const unsigned char* data, int length, int flags, const SockAddrIn* to,
           int toLength) {
  record("sendto(" + std::to_string(sock) + ", " + std::to_string(length) + ")");
  auto& sent = state().datagrams;
  sent.push_back(fake::Datagram{{data, data + length}, flags, *to, toLength});
  const auto& results = state().script.sendResults;
  const int result = sent.size() <= results.size() ? results[sent.size() - 1] : length;
  if (result == kSocketError) state().lastError = state().script.sendError;
  return result;
}

int closesocket(Socket sock) {
  record("closesocket(" + std::to_string(sock) + ")");
  return 0;
}

std::uint16_t htons(std::uint16_t hostValue) {
  record("htons(" + std::to_string(hostValue) + ")");
  // A byte swap, so a test can tell the converted port from the raw one.
  return static_cast<std::uint16_t>((hostValue << 8) | (hostValue >> 8));
}

std::uint32_t inet_addr(const char* text) {
  record(std::string("inet_addr(") + text + ")");
  // Like the real one, it reads only up to the first white space.
  const std::string address(text, std::strcspn(text, " \t\n\v\f\r"));
  const auto& known = state().script.addresses;
  const auto found = known.find(address);
  return found == known.end() ? kInaddrNone : found->second;
}

void Sleep(std::uint32_t milliseconds) { record("Sleep(" + std::to_string(milliseconds) + ")"); }

}  // namespace platform
