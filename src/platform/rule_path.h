#ifndef VELMORA_PLATFORM_RULE_PATH_H_
#define VELMORA_PLATFORM_RULE_PATH_H_

// Many per-track and per-texture rules look for words in a file's path ("sky", "grass",
// "indy", "dubai"). They look at the file's logical path, lowercased, never at the folders
// the user keeps the games in nor at a temporary folder's random name:
//   a file of the converted GPL track:   "tracks/<gpltrack>/<file>"
//   a member of a source track archive:  the member name, "<sourcetrack>.trk"
// Files are still written and read at their real, resolved paths; only the rules see these.
// One rule looks further on purpose: the season pictures of patches, which mark a GPL
// installed as a season mod by that mod's name anywhere in the track folder's path.

#include <filesystem>
#include <string>
#include <string_view>

namespace velmora {

// "tracks/<folder name>/" for a GPL track folder, lowercased.
std::string GplTrackFolderRulePath(const std::filesystem::path& track_folder);
// "tracks/<folder name>/<file name>" for a file inside a GPL track folder, lowercased.
std::string GplTrackFileRulePath(const std::filesystem::path& file);
// A source archive's member, lowercased.
std::string MemberRulePath(std::string_view member_name);

}  // namespace velmora

#endif  // VELMORA_PLATFORM_RULE_PATH_H_
