#include "cli/cli_commands.h"

int main(int argc, char** argv) { return velmora::RunCommandLine(argc, argv); }
