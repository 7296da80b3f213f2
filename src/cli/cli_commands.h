#ifndef VELMORA_CLI_CLI_COMMANDS_H_
#define VELMORA_CLI_CLI_COMMANDS_H_

namespace velmora {

// Exit codes of the `velmora` command.
inline constexpr int kExitFinished = 0;  // the pipeline ran to its end
inline constexpr int kExitStopped = 1;   // the pipeline stopped early, or nothing was found
inline constexpr int kExitUsage = 2;     // bad usage, with a message saying what was wrong

// Parses the command line, runs the chosen subcommand and returns the process's exit code.
int RunCommandLine(int argc, char** argv);

}  // namespace velmora

#endif  // VELMORA_CLI_CLI_COMMANDS_H_
