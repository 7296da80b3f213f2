#ifndef VELMORA_TESTING_DEEP_FOLDER_H_
#define VELMORA_TESTING_DEEP_FOLDER_H_

#include <filesystem>

namespace velmora::testkit {

// Makes a folder under `root` whose path is so long that no new folder fits inside it (the
// system's path limit), as a temporary folder the program cannot make its own folder in.
std::filesystem::path MakeTooDeepFolder(const std::filesystem::path& root);

}  // namespace velmora::testkit

#endif  // VELMORA_TESTING_DEEP_FOLDER_H_
