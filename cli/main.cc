// zorwol: wakes computers over IPv4 with a framed magic packet.

#include "cli/command_line.h"

int main(int argc, char* argv[]) { return runCommandLine(argc, argv); }
