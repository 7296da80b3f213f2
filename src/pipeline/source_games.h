#ifndef VELMORA_PIPELINE_SOURCE_GAMES_H_
#define VELMORA_PIPELINE_SOURCE_GAMES_H_

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The games a track can be converted from. Each has its own conversion dialog, settings key and
// list of track folders; the front ends take everything that differs between them from the
// SourceGameInfo below, so no front end spells out a game's texts itself.
enum class SourceGame { kCart, kN2, kN3, kNl };

// What differs between the conversion dialogs of the source games. The texts are shown word for
// word (the small differences in spelling between games are kept). All views point at static
// text and live as long as the program.
struct SourceGameInfo {
  SourceGame game;
  std::string_view cli_name;      // "cart", "n2", "n3", "nl": the command line's --game value
  std::string_view dialog_title;  // window title of the conversion dialog
  std::string_view settings_key;  // key of the source folder in section "Directories"
  int source_button_id;           // control identifier of the source-folder button
  std::string_view source_button_text;
  std::string_view chooser_title;  // title of the directory chooser for the source folder
  // A file every installation of the game has, relative to its folder, '/'-separated. The
  // directory chooser looks for it to tell the user the folder is right.
  std::string_view probe_file;
  std::string_view found_message;  // shown by the chooser when the probe file is there
  std::string_view hint_text;      // tells the user why the track list may be empty
  int keep_skid_marks_id;
  std::string_view keep_skid_marks_text;
  int sixteen_bit_id;  // 0 when the game has no sixteen-bit sky box
  std::string_view sixteen_bit_text;
  // The folders under "tracks" that the dialog looks for, in list order and spelled as the
  // game installs them.
  std::span<const std::string_view> track_folders;
  bool uses_cart_pipeline;  // ConvertCart for CART/ICR2, ConvertNSeries for the others
};

// The GPL folder button, the same in every conversion dialog. It is the dialog's default button,
// so Enter opens the chooser rather than closing the dialog.
inline constexpr int kGplButtonId = 1;
inline constexpr std::string_view kGplButtonText = "Set GPL Directory";
inline constexpr std::string_view kGplChooserTitle = "Set GPL Application Directory";
inline constexpr std::string_view kGplProbeFile = "gpl.exe";
inline constexpr std::string_view kGplFoundMessage = "GPL Directory found";

// Controls every conversion dialog has.
inline constexpr int kTrackListId = 1000;
inline constexpr int kConvertButtonId = 1002;
inline constexpr int kProgressBarId = 1003;
inline constexpr int kSourceFolderTextId = 1004;
inline constexpr int kGplFolderTextId = 1005;
inline constexpr int kBackButtonId = 2;  // the dialog's cancel button: Escape presses it
inline constexpr std::string_view kTracksAvailableText = "Tracks Available:-";
inline constexpr std::string_view kConvertButtonText = "Convert";
inline constexpr std::string_view kBackButtonText = "Back";
inline constexpr std::string_view kSelectTrackText = "Select Track From List and hit Convert!";

const SourceGameInfo& GameInfo(SourceGame game);
// Every game, in the order the main dialog offers them: CART/ICR2, N2, N3, NL.
std::span<const SourceGameInfo> AllGames();
// The game whose cli_name equals `name` without regard to letter case.
std::optional<SourceGame> GameByCliName(std::string_view name);

// A track found in a source installation.
struct InstalledTrack {
  std::string folder;       // as spelled in the game's folder list
  std::string display_name;  // Windows-1252, from the track name table
};

// The game's track folders whose archive `src_dir`/tracks/<name>/<name>.dat exists, in any
// letter case on disk, in the list's order, each with its display name. A folder without its
// archive is not a track the converter can read, so it is not listed.
std::vector<InstalledTrack> FindInstalledTracks(const SourceGameInfo& game,
                                                const std::filesystem::path& src_dir);

}  // namespace velmora

#endif  // VELMORA_PIPELINE_SOURCE_GAMES_H_
