#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "platform/console.h"

int main(int argc, char** argv) {
  velmora::UseUtf8Console();
  std::vector<std::string> arguments = velmora::Utf8Arguments(argc, argv);
  std::vector<char*> pointers;
  pointers.reserve(arguments.size() + 1);
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  return velmora::RunCommandLine(static_cast<int>(arguments.size()), pointers.data());
}
