#include "testing/disk_probe.h"

#include <fstream>
#include <system_error>

namespace velmora::testkit {

bool DiskIgnoresCase(const std::filesystem::path& folder) {
  const std::filesystem::path probe = folder / "Case-Probe.tmp";
  { std::ofstream(probe) << "probe"; }
  std::error_code ec;
  const bool ignores = std::filesystem::exists(folder / "CASE-PROBE.TMP", ec);
  std::filesystem::remove(probe, ec);
  return ignores;
}

}  // namespace velmora::testkit
