#include "cli/command_line.h"

#include <cstdio>
#include <cstring>

#include "wake/errors.h"
#include "wake/wake_packet.h"
#include "wake/wol_sender.h"

namespace {

constexpr std::uint32_t kSendCount = 3;
constexpr std::uint32_t kDelayMs = 10;
// One read takes at most 1023 characters; a longer line arrives in pieces.
constexpr int kLineBufferSize = 1024;

void printUsage(const char* program) {
  std::printf("Usage: %s <port> <ip> <mac> [<password>]\n", program);
  std::printf("   or\n");
  std::printf("Usage: %s <port> -l <ip1> <mac1> ; <ip2> <mac2> ; <ip3> <mac3> ...\n", program);
  std::printf("   or\n");
  std::printf("Usage: %s <port> @<file>\n", program);
  std::printf("   where file contains lines formatted as <ip> <mac>\n");
}

bool isVersionSwitch(const char* text) {
  return text[0] == '-' && (text[1] == 'v' || text[1] == 'V') && text[2] == '\0';
}

bool isListSwitch(const char* text) { return text[0] == '-' && text[1] == 'l'; }

bool isSeparator(const char* text) { return text[0] == ';' && text[1] == '\0'; }

void wakeList(int argc, char* argv[]) {
  WolSender sender(convertPort(argv[1]), kSendCount, kDelayMs);
  int i = 3;
  while (i + 1 < argc) {
    sender.wake(argv[i], argv[i + 1], "");
    i += 2;
    if (i < argc && isSeparator(argv[i])) ++i;
  }
}

void wakeOne(char* argv[], const char* password) {
  WolSender sender(convertPort(argv[1]), kSendCount, kDelayMs);
  sender.wake(argv[2], argv[3], password);
}

// Serves the targets of a file, one per line, through one sender. A failing
// line is named and ends the run; the sender outlives the line loop, so its
// cleanup message follows the line's.
int wakeFile(const char* portText, const char* fileName) {
  WolSender sender(convertPort(portText), kSendCount, kDelayMs);
  std::FILE* file = std::fopen(fileName, "r");
  if (file == nullptr) {
    std::printf("unable to open file '%s'\n", fileName);
    return 1;
  }
  // Wider than int: a file of more than 2^31 lines must not overflow it.
  long long lineNumber = 0;
  try {
    char line[kLineBufferSize];
    while (std::fgets(line, kLineBufferSize, file) != nullptr) {
      ++lineNumber;
      trimTrailingWhitespace(line);
      const char* space = std::strchr(line, ' ');
      if (space == nullptr) continue;  // blank lines too
      const char* macAddress = space + 1;
      if (std::strlen(macAddress) != kMacTextLength) throw FormatError();
      // The address conversion stops at the space, so the whole line will do.
      sender.wake(line, macAddress, "");
    }
  } catch (...) {
    std::printf("ERROR: terminated processing line %lld\n", lineNumber);
    (void)std::fclose(file);  // read only: nothing to lose
    return 1;
  }
  // A read error must not pass for the end of the file.
  const bool readFailed = std::ferror(file) != 0;
  if (readFailed) std::printf("ERROR: unable to read file '%s'\n", fileName);
  (void)std::fclose(file);
  return readFailed ? 1 : 0;
}

}  // namespace

void trimTrailingWhitespace(char* line) {
  std::size_t length = std::strlen(line);
  while (length > 0) {
    const char last = line[length - 1];
    if (last != '\t' && last != '\n' && last != '\r' && last != ' ') break;
    --length;
  }
  line[length] = '\0';
}

std::int32_t convertPort(const char* text) {
  const char* p = text;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  // Unsigned, so that overflow wraps instead of being undefined.
  std::uint32_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) value = value * 10u + static_cast<std::uint32_t>(*p - '0');
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

int runCommandLine(int argc, char* argv[]) {
  const char* program = argc > 0 && argv[0] != nullptr ? argv[0] : "";
  if (argc == 2) {
    if (!isVersionSwitch(argv[1])) {
      printUsage(program);
      return 1;
    }
    std::printf("'%s' version 2.0\n", program);
    return 0;
  }
  const bool fileForm = argc == 3 && argv[2][0] == '@';
  if ((argc == 3 && !fileForm) || argc < 2 || (argc > 5 && !isListSwitch(argv[2]))) {
    printUsage(program);
    return 1;
  }
  // Each mode's sender is gone before the handler runs, so its cleanup
  // message comes before the closing line.
  try {
    if (fileForm) return wakeFile(argv[1], argv[2] + 1);
    if (argc >= 5 && isListSwitch(argv[2])) {
      wakeList(argc, argv);
    } else {
      wakeOne(argv, argc == 5 ? argv[4] : "");
    }
  } catch (...) {
    std::printf("terminated prior to completion of operation\n");
    return 1;
  }
  return 0;
}
