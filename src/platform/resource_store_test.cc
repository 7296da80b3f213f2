#include "platform/resource_store.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/temp_folder.h"

namespace velmora {
namespace {

std::string Text(std::optional<std::span<const std::uint8_t>> bytes) {
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<none>");
}

const std::uint8_t kGroove[] = {'g', 'r', 'o', 'o', 'v', 'e'};
const std::uint8_t kTemplate[] = {'n', '4', 't'};
const EmbeddedFile kEmbedded[] = {{"N2GROOVE_MIP", kGroove}, {"DETROIT_N4T", kTemplate}};

// Names are found without regard to case; a user folder's files override and add to the
// embedded ones, and a missing folder leaves the embedded ones alone.
TEST(ResourceStoreTest, FindsEmbeddedAndUserFilesWithoutRegardToCase) {
  EXPECT_EQ(Text(ResourceStore(kEmbedded).Find("n2groove_mip")), "groove");
  ResourceStore no_folder(kEmbedded, "/nonexistent/velmora/resources");
  EXPECT_EQ(Text(no_folder.Find("detroit_N4T")), "n4t");
  EXPECT_EQ(Text(no_folder.Find("GLEN_N4T")), "<none>");
  std::optional<TempFolder> folder = TempFolder::Create("test");
  WriteFileText(folder->path() / "glen_n4t.trk", "user glen");
  WriteFileText(folder->path() / "Detroit_N4T", "user detroit");
  WriteFileText(folder->path() / "EMPTY_MIP", "");
  ResourceStore store(kEmbedded, folder->path());
  EXPECT_EQ(Text(store.Find("GLEN_N4T")), "user glen");
  EXPECT_EQ(Text(store.Find("DETROIT_N4T")), "user detroit");
  EXPECT_EQ(Text(store.Find("N2GROOVE_MIP")), "groove");
  // An empty file is a resource of size 0, not a missing one.
  EXPECT_EQ(Text(store.Find("empty_mip")), "");
  // Bytes read from the folder stay put across lookups.
  EXPECT_EQ(store.Find("glen_n4t")->data(), store.Find("GLEN_N4T")->data());
}

}  // namespace
}  // namespace velmora
