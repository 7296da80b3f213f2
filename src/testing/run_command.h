#ifndef VELMORA_TESTING_RUN_COMMAND_H_
#define VELMORA_TESTING_RUN_COMMAND_H_

#include <filesystem>
#include <string>
#include <vector>

namespace velmora::testkit {

// Runs `program` with `arguments` (UTF-8) through the system's shell, sh on Linux and cmd.exe on
// Windows, quoting each for that shell; standard output and error go to `out` and `err`, or
// nowhere when those are empty, and standard input is empty. Returns the exit status, -1 when
// the program did not end normally.
int RunCommand(const std::string& program, const std::vector<std::string>& arguments,
               const std::filesystem::path& out = {}, const std::filesystem::path& err = {});

}  // namespace velmora::testkit

#endif  // VELMORA_TESTING_RUN_COMMAND_H_
