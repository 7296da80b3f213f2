#ifndef VELMORA_TRACK_TRACK_INI_H_
#define VELMORA_TRACK_TRACK_INI_H_

// track.ini of a GPL track folder, filled in from the carried template, the source track's
// description text and the track geometry.
//
// Description text: lines starting with one of these prefixes are used, any other is ignored;
// a later line with the same prefix overwrites the earlier value.
//   "SNAME " text from the seventh character          short name
//   "FNAME " text from the seventh character          full name
//   "LENGT " whole number from the seventh character  x 0.001 = length in miles
//   "BLAP "  whole number from the seventh character  x 0.001 = reference lap in seconds
//            (the prefix has five characters: the digit right after its blank is skipped)
//   "PIT "   eleven numbers p1..p11; p2..p7 and p11 are track units (19685 to the metre)
//
// ini text: "[ name ]" headers and "key = value" lines. A key's value is replaced only inside
// its section, where a header counts as the section when the name occurs anywhere after its
// "[" (so "[ ai_track ]" is also section "track"). Keys the text does not hold are never added;
// every other line is kept as it stands. Each line is written back with the text's own line end
// (CR LF when the text has any, else LF).

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "platform/status.h"
#include "platform/units.h"

namespace velmora {
class TrackGeometry;
}  // namespace velmora

namespace velmora {

inline constexpr int kPitValueCount = 11;
inline constexpr int kStallCount = 20;

// What track.ini takes from a source track's description.
struct TrackDescription {
  std::string short_name;
  std::string full_name;
  double length_miles = 0.0;
  double lap_seconds = 0.0;
  // p1..p11 as read; zero when the text has no "PIT " line.
  std::array<float, kPitValueCount> pit{};
};

// Parses description text. Never fails: unknown lines are ignored.
TrackDescription ParseTrackDescription(std::string_view text);

// The text with one key's value replaced (see above); unchanged when the key is not there.
std::string SetIniValueInText(std::string_view text, std::string_view section, std::string_view key,
                              std::string_view value);

// The same on a file, replaced atomically. NotFound when the file cannot be read; the file is
// then left alone.
Status SetIniValue(std::string_view section, std::string_view key, std::string_view value,
                   const std::filesystem::path& ini_path);
// SetIniValue with the number formatted "%2.2f".
Status SetIniNumber(std::string_view section, std::string_view key, double number,
                    const std::filesystem::path& ini_path);
// SetIniValue with the numbers formatted "%2.2f %2.2f".
Status SetIniPair(std::string_view section, std::string_view key, double first, double second,
                  const std::filesystem::path& ini_path);

// One key's new value inside a section, as SetIniValueInText takes them.
struct IniEdit {
  std::string_view section;
  std::string key;
  std::string value;
};

// The text with every edit applied in turn, exactly as SetIniValueInText applied edit after
// edit on the text the one before left, but split into lines once.
std::string SetIniValuesInText(std::string_view text, std::span<const IniEdit> edits);

// The track numbers the template is filled with besides the description.
struct TrackIniGeometry {
  double lap_metres = 0.0;
  // Wall dlat values (track units) across the start line, in the geometry's order.
  std::span<const std::int32_t> start_walls;
};

// Every key of track.ini replaced in the template text, in this order: names and length,
// reference lap, pit lane dlongs, lane bounds, the twenty pit stalls, the pit board, the
// twenty grid positions.
std::string FillTrackIni(std::string_view template_text, const TrackDescription& description,
                         const TrackIniGeometry& geometry);

// The filled track.ini: the working copy of the template filled with the description's entries
// and the track's numbers.
std::string MakeTrackIniText(const TrackGeometry& track, std::span<const std::uint8_t> description,
                             std::span<const std::uint8_t> working);

// Reads the description, fills the working copy of the template with it and the track's
// numbers, and replaces the destination with the result (atomically: an existing track.ini is
// either kept whole or replaced whole). NotFound, with nothing written, when the description
// or the working copy cannot be read.
Status WriteTrackIni(const TrackGeometry& track, const std::filesystem::path& description_path,
                     const std::filesystem::path& working_path,
                     const std::filesystem::path& destination_path);

}  // namespace velmora

#endif  // VELMORA_TRACK_TRACK_INI_H_
