#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/sockets_fake.h"

namespace {

namespace fake = platform::fake;

TEST(ConvertPort, ReadsAsAtoiWithWrapAround) {
  struct Case {
    const char* text;
    std::int32_t value;
  };
  const Case cases[] = {
      {"9", 9},
      {"+9", 9},
      {"-9", -9},
      {" \t\n\v\f\r9", 9},
      {"9abc", 9},
      {"9 10", 9},
      {"abc", 0},
      {"", 0},
      {"- 9", 0},
      {"+-9", 0},
      {"2147483647", 2147483647},
      {"2147483648", INT32_MIN},
      {"-2147483648", INT32_MIN},
      {"4294967305", 9},  // 2^32 + 9
      {"-4294967305", -9},
      {"99999999999999999999", 1661992959},  // 10^20 mod 2^32, less one
      {"0009", 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(convertPort(c.text), c.value);
  }
}

TEST(TrimTrailingWhitespace, CutsOnlyTabLineFeedCarriageReturnAndSpace) {
  struct Case {
    const char* line;
    const char* trimmed;
  };
  const Case cases[] = {
      {"a b\n", "a b"},     {"a b\r\n", "a b"}, {"a b \t\r\n \t", "a b"},
      {" \t\r\n", ""},      {"", ""},           {"  a", "  a"},
      {"a\f", "a\f"},       {"a\v \n", "a\v"},  {"\f \f\n", "\f \f"},
      {"a\n b\n", "a\n b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    char line[32];
    std::strcpy(line, c.line);
    trimTrailingWhitespace(line);
    EXPECT_STREQ(line, c.trimmed);
  }
}

struct Result {
  int status;
  std::string output;
};

Result run(std::vector<const char*> args, int argc) {
  std::vector<char*> argv;
  std::transform(args.begin(), args.end(), std::back_inserter(argv),
                 [](const char* arg) { return const_cast<char*>(arg); });
  argv.push_back(nullptr);
  testing::internal::CaptureStdout();
  const int status = runCommandLine(argc, argv.data());
  return {status, testing::internal::GetCapturedStdout()};
}

Result run(const std::vector<const char*>& args) {
  return run(args, static_cast<int>(args.size()));
}

const char kUsageWithoutName[] =
    "Usage:  <port> <ip> <mac> [<password>]\n"
    "   or\n"
    "Usage:  <port> -l <ip1> <mac1> ; <ip2> <mac2> ; <ip3> <mac3> ...\n"
    "   or\n"
    "Usage:  <port> @<file>\n"
    "   where file contains lines formatted as <ip> <mac>\n";

class CommandLineTest : public testing::Test {
 protected:
  void SetUp() override { fake::reset(); }
};

TEST_F(CommandLineTest, MissingProgramNamePrintsAnEmptyName) {
  EXPECT_EQ(run({}, 0).output, kUsageWithoutName);
  EXPECT_EQ(run({nullptr}).output, kUsageWithoutName);
  const Result version = run({nullptr, "-V"});
  EXPECT_EQ(version.output, "'' version 2.0\n");
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(fake::calls().empty());  // the socket library is never started
}

TEST_F(CommandLineTest, OneSenderServesTheWholeMode) {
  const std::string targets = testing::TempDir() + "zorwol-two-targets.txt";
  std::ofstream(targets) << "127.0.0.1 00-0D-56-AC-E4-7C\n\n127.0.0.1 01-23-45-67-89-AB\n";
  const std::string fileArg = "@" + targets;
  const std::vector<std::vector<const char*>> runs = {
      {"z", "9", fileArg.c_str()},
      {"z", "9", "-l", "127.0.0.1", "00-0D-56-AC-E4-7C", ";", "127.0.0.1", "01-23-45-67-89-AB"},
  };
  for (const auto& args : runs) {
    SCOPED_TRACE(args[2]);
    fake::reset();
    EXPECT_EQ(run(args).status, 0);
    const std::vector<std::string>& calls = fake::calls();
    ASSERT_EQ(std::count(calls.begin(), calls.end(), "WSAStartup(0x0202)"), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "socket(2, 2, 0)"), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "WSACleanup()"), 1);
    EXPECT_EQ(calls.front(), "WSAStartup(0x0202)");
    EXPECT_EQ(calls.back(), "WSACleanup()");
    EXPECT_EQ(fake::datagrams().size(), 6u);
  }
}

// What only a scripted socket layer can make happen.
TEST_F(CommandLineTest, FailureOutputComesInOrder) {
  struct Case {
    const char* name;
    fake::Script script;
    std::vector<const char*> args;
    int status;
    const char* output;
  };
  fake::Script startupFails;
  startupFails.startupResult = 10091;
  fake::Script cleanupFails;
  cleanupFails.cleanupError = 10093;
  const std::string targets = testing::TempDir() + "zorwol-targets.txt";
  std::ofstream(targets) << "127.0.0.1 00-0D-56-AC-E4-7C\n127.0.0.1 00-0D\n";
  const std::string fileArg = "@" + targets;
  const std::string good = testing::TempDir() + "zorwol-good.txt";
  std::ofstream(good) << "127.0.0.1 00-0D-56-AC-E4-7C\n";
  const std::string goodArg = "@" + good;
  const Case cases[] = {
      {"startup fails",
       startupFails,
       {"z", "9", "127.0.0.1", "00-0D-56-AC-E4-7C"},
       1,
       "ERROR: windows sockets startup failed (Error 10091).\n"
       "terminated prior to completion of operation\n"},
      {"cleanup fails after a success",
       cleanupFails,
       {"z", "9", "127.0.0.1", "00-0D-56-AC-E4-7C"},
       0,
       "ERROR: socket cleanup failed (Error #10093).\n"},
      {"cleanup fails after a refusal",
       cleanupFails,
       {"z", "9", "-l", "127.0.0.1", "bad"},
       1,
       "ERROR: macAddress must be of the form '00-0D-56-AC-E4-7C' It was 'bad'.\n"
       "ERROR: socket cleanup failed (Error #10093).\n"
       "terminated prior to completion of operation\n"},
      {"cleanup fails after a silent refusal",
       cleanupFails,
       {"z", "9", "127.0.0.1", "00-0D-56-AC-E4-7G", "pw"},
       1,
       "ERROR: socket cleanup failed (Error #10093).\n"
       "terminated prior to completion of operation\n"},
      // The sender comes first: the file is never opened when it fails.
      {"startup fails before the file is opened",
       startupFails,
       {"z", "9", "@missing"},
       1,
       "ERROR: windows sockets startup failed (Error 10091).\n"
       "terminated prior to completion of operation\n"},
      {"cleanup fails after the file",
       cleanupFails,
       {"z", "9", goodArg.c_str()},
       0,
       "ERROR: socket cleanup failed (Error #10093).\n"},
      {"cleanup fails after an unopened file",
       cleanupFails,
       {"z", "9", "@missing"},
       1,
       "unable to open file 'missing'\n"
       "ERROR: socket cleanup failed (Error #10093).\n"},
      {"cleanup fails after a failing line",
       cleanupFails,
       {"z", "9", fileArg.c_str()},
       1,
       "ERROR: terminated processing line 2\n"
       "ERROR: socket cleanup failed (Error #10093).\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake::reset();
    fake::script() = c.script;
    const Result result = run(c.args);
    EXPECT_EQ(result.output, c.output);
    EXPECT_EQ(result.status, c.status);
  }
}

}  // namespace
