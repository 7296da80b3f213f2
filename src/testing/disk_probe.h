#ifndef VELMORA_TESTING_DISK_PROBE_H_
#define VELMORA_TESTING_DISK_PROBE_H_

#include <filesystem>

namespace velmora::testkit {

// Whether the disk holding `folder` ignores letter case in names (Windows, and Wine's drives),
// found by making a file there and looking for it under another spelling: there the
// case-insensitive lookup has nothing to do.
bool DiskIgnoresCase(const std::filesystem::path& folder);

}  // namespace velmora::testkit

#endif  // VELMORA_TESTING_DISK_PROBE_H_
