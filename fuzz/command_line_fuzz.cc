// The whole command line on any argument vector, with the fake socket layer:
// the status is 0 or 1, nothing reaches standard error, the output ends as
// one of the run's endings, and every datagram is a well-formed wake packet
// sent to the port as atoi reads it, three identical ones a target.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "fuzz/capture.h"
#include "platform/sockets_fake.h"

namespace {

void check(bool condition, const char* what) {
  if (!condition) {
    (void)std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
  }
}

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The port as atoi reads it, written out again: 32-bit wrap-around.
std::uint16_t wirePort(const char* text) {
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
  const bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  std::uint64_t value = 0;
  while (*text >= '0' && *text <= '9')
    value = (value * 10 + static_cast<unsigned>(*text++ - '0')) & 0xFFFFFFFFu;
  if (negative) value = (0x100000000u - value) & 0xFFFFFFFFu;
  return static_cast<std::uint16_t>(value);
}

void checkDatagrams(const char* portText) {
  const auto& sent = platform::fake::datagrams();
  check(sent.size() % 3 == 0, "three datagrams a target");
  const std::uint16_t port = wirePort(portText);
  const auto swapped = static_cast<std::uint16_t>((port << 8) | (port >> 8));  // the fake's htons
  for (std::size_t i = 0; i < sent.size(); ++i) {
    const auto& d = sent[i];
    const auto& bytes = d.payload;
    check(bytes.size() == 122 || bytes.size() == 130, "packet length");
    check(std::memcmp(bytes.data(), "ZORWolHead", 10) == 0, "head marker");
    check(std::memcmp(bytes.data() + bytes.size() - 10, "ZORWolTail", 10) == 0, "tail marker");
    for (std::size_t b = 10; b < 16; ++b) check(bytes[b] == 0xFF, "sync stream");
    for (std::size_t b = 22; b < 112; ++b) check(bytes[b] == bytes[b - 6], "sixteen copies");
    check(d.flags == 0 && d.toLength == 16 && d.to.family == 2, "destination");
    check(d.to.port == swapped, "port");
    check(d.to.address == platform::fake::kLoopback, "address");
    check(bytes == sent[i - i % 3].payload, "identical repetitions");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The arguments are the input's NUL-separated pieces; no input, no arguments.
  std::vector<std::string> args;
  if (size > 0) {
    args.emplace_back();
    for (std::size_t i = 0; i < size; ++i) {
      if (data[i] == '\0') {
        args.emplace_back();
      } else {
        args.back().push_back(static_cast<char>(data[i]));
      }
    }
  }
  if (args.size() > 64) return -1;
  // A file name stays inside an empty folder: nothing to read, nothing to hang on.
  const bool fileForm = args.size() == 3 && !args[2].empty() && args[2][0] == '@';
  if (fileForm) {
    if (args[2].find('/') != std::string::npos) return -1;
    args[2] = "@" + std::string(scratchFolder()) + "/" + args[2].substr(1);
  }

  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  std::transform(args.begin(), args.end(), std::back_inserter(argv),
                 [](std::string& arg) { return arg.data(); });
  argv.push_back(nullptr);

  platform::fake::reset();
  int status = -1;
  const Captured captured =
      capture([&] { status = runCommandLine(static_cast<int>(args.size()), argv.data()); });
  const std::string& out = captured.out;

  check(captured.err.empty(), "nothing on standard error");
  check(status == 0 || status == 1, "exit status");
  if (status == 0) {
    const std::string program = args.empty() ? "" : args[0];
    check(out.empty() || out == "'" + program + "' version 2.0\n", "output of a success");
  } else {
    check(endsWith(out, "   where file contains lines formatted as <ip> <mac>\n") ||
              endsWith(out, "terminated prior to completion of operation\n") ||
              (fileForm && (out == "unable to open file '" + args[2].substr(1) + "'\n" ||
                            out == "ERROR: unable to read file '" + args[2].substr(1) + "'\n")),
          "ending of a failure");
  }
  if (!platform::fake::datagrams().empty()) checkDatagrams(args[1].c_str());
  return 0;
}
