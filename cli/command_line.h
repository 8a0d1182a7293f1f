// The command line of zorwol: the run modes behind main.
//
//   zorwol -v                                   the version line
//   zorwol <port> <ip> <mac> [<password>]       one target
//   zorwol <port> -l <ip1> <mac1> [;] <ip2> ... a list of targets
//   zorwol <port> @<file>                       targets from a file, "<ip> <mac>" a line
//
// Any other form prints the usage text. Everything goes to standard output.
// The result is the exit status: 0, or 1 after the usage text or a failure.

#ifndef ZORWOL_CLI_COMMAND_LINE_H_
#define ZORWOL_CLI_COMMAND_LINE_H_

#include <cstdint>

// Runs the mode that argv selects. argv[0] may be null; messages then show an
// empty program name.
int runCommandLine(int argc, char* argv[]);

// Cuts trailing tabs, line feeds, carriage returns and spaces, in place. Any
// other character, form feed and vertical tab included, stays.
void trimTrailingWhitespace(char* line);

// The port as atoi reads it: leading white space, one optional sign, decimal
// digits up to the first other character, wrapping on 32-bit overflow. Text
// without leading digits gives 0.
std::int32_t convertPort(const char* text);

#endif  // ZORWOL_CLI_COMMAND_LINE_H_
