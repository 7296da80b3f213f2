#include "testing/deep_folder.h"

#include <algorithm>
#include <string>

namespace velmora::testkit {

std::filesystem::path MakeTooDeepFolder(const std::filesystem::path& root) {
  // 4,096 bytes is the limit of a path on Linux; "/dirXXXXXX" no longer fits after 4,090.
  constexpr std::size_t kLength = 4090;
  std::filesystem::path deep = root;
  while (deep.string().size() < kLength) {
    deep /= std::string(std::min<std::size_t>(200, kLength - deep.string().size()), 'd');
  }
  std::filesystem::create_directories(deep);
  return deep;
}

}  // namespace velmora::testkit
