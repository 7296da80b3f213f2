#include "testing/run_command.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

#include "platform/console.h"
#include "platform/path_text.h"

namespace velmora::testkit {

int RunCommand(const std::string& program, const std::vector<std::string>& arguments,
               const std::filesystem::path& out, const std::filesystem::path& err) {
  // Test paths hold no double quote, which cmd.exe could not take inside a word.
  std::string command = QuoteForShell(program);
  for (const std::string& argument : arguments) {
    command.append(" ").append(QuoteForShell(argument));
  }
#ifdef _WIN32
  const std::string nowhere = "NUL";
#else
  const std::string nowhere = "/dev/null";
#endif
  for (const auto& [redirect, file] : {std::pair{" >", &out}, std::pair{" 2>", &err}}) {
    command.append(redirect).append(file->empty() ? nowhere : QuoteForShell(PathToUtf8(*file)));
  }
  command.append(" <").append(nowhere);
#ifdef _WIN32
  // cmd.exe drops the outermost quotes of a command that starts with one; the wide call keeps
  // arguments beyond ASCII as written.
  return _wsystem(PathFromUtf8(QuoteForShell(command)).c_str());
#else
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

}  // namespace velmora::testkit
