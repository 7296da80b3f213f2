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
namespace {

#ifdef _WIN32
constexpr const char* kNowhere = "NUL";
#else
constexpr const char* kNowhere = "/dev/null";
#endif

std::string Target(const std::filesystem::path& file) {
  return file.empty() ? std::string(kNowhere) : QuoteForShell(PathToUtf8(file));
}

}  // namespace

int RunCommand(const std::string& program, const std::vector<std::string>& arguments,
               const std::filesystem::path& out, const std::filesystem::path& err) {
  // Test paths hold no double quote, which cmd.exe could not take inside a word.
  std::string command = QuoteForShell(program);
  for (const std::string& argument : arguments) {
    command.append(" ").append(QuoteForShell(argument));
  }
  command.append(" >").append(Target(out)).append(" 2>").append(Target(err));
#ifdef _WIN32
  command += " <NUL";
  // cmd.exe drops the outermost quotes of a command that starts with one; the wide call keeps
  // arguments beyond ASCII as written.
  return _wsystem(PathFromUtf8(QuoteForShell(command)).c_str());
#else
  command += " </dev/null";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

}  // namespace velmora::testkit
