// The target-file loop on any file bytes, through the whole command line with
// the fake socket layer: the output, the exit status and the number of
// datagrams must be what an independent reading of the file predicts, line
// numbers included.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/command_line.h"
#include "fuzz/capture.h"
#include "platform/sockets_fake.h"

namespace {

struct Prediction {
  std::string output;
  int status = 0;
  std::size_t datagrams = 0;
};

bool isHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

Prediction predict(const std::string& file) {
  Prediction p;
  std::size_t pos = 0;
  long long line = 0;
  const auto fail = [&](const std::string& cause) {
    p.output = cause + "ERROR: terminated processing line " + std::to_string(line) + "\n";
    p.status = 1;
    return p;
  };
  while (pos < file.size()) {
    // One read: up to and including a line feed, at most 1023 characters.
    std::size_t end = pos;
    while (end < file.size() && end - pos < 1023) {
      if (file[end++] == '\n') break;
    }
    std::string text = file.substr(pos, end - pos);
    pos = end;
    ++line;
    text.resize(std::min(text.size(), text.find('\0')));
    while (!text.empty() && std::string("\t\n\r ").find(text.back()) != std::string::npos) {
      text.pop_back();
    }
    const std::size_t space = text.find(' ');
    if (space == std::string::npos) continue;
    const std::string mac = text.substr(space + 1);
    if (mac.size() != 17) return fail("");
    for (std::size_t dash = 2; dash < 17; dash += 3) {
      if (mac[dash] != '-') {
        return fail("ERROR: macAddress must be of the form '00-0D-56-AC-E4-7C' It was '" + mac +
                    "'.\n");
      }
    }
    // The fake knows one address, and reads up to the first white space.
    if (text.substr(0, text.find_first_of(" \t\n\v\f\r")) != "127.0.0.1") {
      return fail("ERROR: inet_addr failed for address '" + text + "'.\n");
    }
    for (std::size_t i = 0; i < 17; ++i) {
      if (i % 3 != 2 && !isHex(mac[i])) return fail("");
    }
    p.datagrams += 3;
  }
  return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file(reinterpret_cast<const char*>(data), size);
  std::FILE* f = std::fopen(scratchFile(), "wb");
  if (f == nullptr || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) std::abort();

  platform::fake::reset();
  const std::string fileArg = std::string("@") + scratchFile();
  char program[] = "zorwol";
  char port[] = "9";
  char* argv[] = {program, port, const_cast<char*>(fileArg.c_str()), nullptr};
  int status = -1;
  const Captured captured = capture([&] { status = runCommandLine(3, argv); });

  const Prediction expected = predict(file);
  if (captured.out != expected.output || status != expected.status ||
      platform::fake::datagrams().size() != expected.datagrams || !captured.err.empty()) {
    (void)std::fprintf(stderr, "status %d, expected %d\noutput: %s\nexpected: %s\n", status,
                       expected.status, captured.out.c_str(), expected.output.c_str());
    std::abort();
  }
  return 0;
}
