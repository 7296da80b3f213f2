#include "platform/rule_path.h"

#include "platform/ascii.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

// The last named component: "a/b/" and "a/b" both give "b".
std::string LastName(const fs::path& path) {
  fs::path name = path.filename();
  if (name.empty()) name = path.parent_path().filename();
  return name.string();
}

}  // namespace

std::string GplTrackFolderRulePath(const fs::path& track_folder) {
  return "tracks/" + AsciiLower(LastName(track_folder)) + "/";
}

std::string GplTrackFileRulePath(const fs::path& file) {
  return GplTrackFolderRulePath(file.parent_path()) + AsciiLower(file.filename().string());
}

std::string MemberRulePath(std::string_view member_name) { return AsciiLower(member_name); }

}  // namespace velmora
