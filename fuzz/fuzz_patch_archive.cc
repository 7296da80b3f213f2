// Feeds arbitrary bytes to the patch archive reader: the directory check, then the merge a patch
// gets, in memory: its members packed alone, as into a missing track archive, and then merged
// into what that packed, replacing members of the same name. What is packed must read back.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "track/patch_set.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  velmora::MemberSet members;
  if (!velmora::AddArchiveMembers(bytes, members).ok()) return 0;
  velmora::Result<std::vector<std::uint8_t>> packed = velmora::PackMembers(members);
  if (!packed.ok() || packed->empty()) return 0;
  velmora::MemberSet merged;
  if (!velmora::AddArchiveMembers(*packed, merged).ok()) __builtin_trap();
  if (!velmora::AddArchiveMembers(bytes, merged).ok()) __builtin_trap();
  velmora::PackMembers(merged).status().IgnoreError();
  return 0;
}
