#include "trackview/member_checks.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "format/chunk_file.h"
#include "image/mip_file.h"
#include "image/srb_file.h"
#include "object/gpl_object_check.h"
#include "platform/ascii.h"
#include "platform/byte_reader.h"
#include "platform/units.h"
#include "track/racing_lines.h"
#include "trackview/track_object_view.h"

namespace velmora {

namespace {

std::string Number(std::int64_t value) { return std::to_string(value); }

// Bytes left over behind a chunk that should fill the file.
void CheckFills(const Chunk& chunk, std::size_t file_size, Problems& out) {
  if (chunk.End() < file_size) {
    out.push_back(Number(static_cast<std::int64_t>(file_size - chunk.End())) + " bytes after the " +
                  std::string(reinterpret_cast<const char*>(chunk.tag), 4) + " chunk");
  }
}

}  // namespace

Problems CheckMipFile(std::vector<std::uint8_t> bytes) {
  Problems out;
  const std::size_t size = bytes.size();
  Result<Chunk> top = ReadChunk(bytes, 0);
  if (StartsWithTag(bytes, kTagMip)) {
    if (!top) return {"the MIP chunk's size runs past the end of the file"};
    CheckFills(*top, size, out);
    Result<TextureImage> texture = ReadMip(std::move(bytes));
    if (!texture.ok()) {
      out.push_back("not a texture the program can read: " + texture.status().message());
    }
  } else if (StartsWithTag(bytes, kTagMip8)) {
    Result<TextureImage> texture = ReadMip8(std::move(bytes));
    if (!texture.ok()) {
      out.push_back("not a texture the program can read: " + texture.status().message());
    }
  } else {
    out.push_back("does not begin with a MIP chunk");
  }
  return out;
}

Problems CheckSrbFile(std::vector<std::uint8_t> bytes) {
  if (!ReadSrbHeader(bytes)) return {"does not begin with the sprite headers"};
  if (!StartsWithTag(bytes, kTagMip, kSrbTextureAt)) {
    return {"no texture behind the sprite headers"};
  }
  Problems out;
  Result<Chunk> texture = ReadChunk(bytes, kSrbTextureAt);
  if (!texture) return {"the texture's size runs past the end of the file"};
  CheckFills(*texture, bytes.size(), out);
  Result<TextureImage> picture = ReadMip(std::move(bytes), kSrbTextureAt);
  if (!picture.ok()) {
    out.push_back("the texture behind the sprite headers cannot be read: " +
                  picture.status().message());
  }
  return out;
}

Problems CheckPbfFile(std::span<const std::uint8_t> bytes, std::string_view name) {
  Result<Chunk> bitmap = ReadChunk(bytes, 0);
  if (!bitmap || !bitmap->Is(kTagBitmap)) return {"does not begin with a BMAP chunk"};
  Result<Chunk> header = ReadChunk(bytes, bitmap->payload, bitmap->payload + bitmap->size);
  if (!header || !header->Is(kTagBitmapHeader) || header->size != kBitmapHeaderPayload) {
    return {"no 14-byte BMHD chunk at the start of the BMAP chunk"};
  }
  ByteReader fields(bytes.subspan(header->payload, kBitmapHeaderPayload));
  const std::uint8_t type = fields.U8();
  const std::uint32_t width = fields.U32();
  const std::uint32_t height = fields.U32();
  const std::uint32_t stride = fields.U32();
  Problems out;
  if (type != kPageType) out.push_back("type " + Number(type) + ", not 3 (16-bit 5-6-5)");
  const std::uint64_t row = (static_cast<std::uint64_t>(width) * 2 + 3) / 4 * 4;
  if (stride != row) {
    out.push_back("row length " + Number(stride) + " bytes, not " + Number(row) + " for " +
                  Number(width) + " pixels");
  }
  Result<Chunk> data = ReadChunk(bytes, header->End(), bitmap->payload + bitmap->size);
  if (!data || !data->Is(kTagData) || data->payload != kPagePixelsAt) {
    out.push_back("no DATA chunk with the pixels at byte 52");
    return out;
  }
  if (data->size != static_cast<std::uint64_t>(height) * stride) {
    out.push_back("DATA holds " + Number(data->size) + " bytes, not " + Number(height) +
                  " rows of " + Number(stride));
  }
  CheckFills(*bitmap, bytes.size(), out);
  for (const PageSize& page : kPageSizes) {
    if (EqualsIgnoreCase(name, page.name) && (width != page.width || height != page.height)) {
      out.push_back("page of " + Number(width) + " x " + Number(height) + " pixels, not " +
                    Number(page.width) + " x " + Number(page.height));
    }
  }
  return out;
}

Problems CheckObjectFile(std::span<const std::uint8_t> bytes) {
  Result<GplObjectOutline> outline = CheckGplObject(bytes);
  if (!outline.ok()) return {outline.status().message()};
  // A track object must also have the shape GPL walks its sections by.
  if (HasTrackObjectRoot(bytes, *outline)) {
    const Status track = CheckTrackShape(bytes, *outline);
    if (!track.ok()) return {track.message()};  // it names the track object itself
  }
  return {};
}

}  // namespace velmora

namespace velmora {

namespace {

// Sections lie back to back from dlong 0, and the last one ends at the lap length.
void CheckSectionRun(const TrackGeometry& track, Problems& out) {
  std::int64_t expected_start = 0;
  for (int s = 0; s < track.section_count(); ++s) {
    const SectionRecord& record = track.section(s);
    const std::string where = "section " + Number(s) + " ";
    if (record.kind() != kStraight && record.kind() != kArc) {
      out.push_back(where + "is of kind " + Number(record.kind()) + ", not 1 or 2");
    }
    if (record.length() <= 0) out.push_back(where + "has length " + Number(record.length()));
    if (record.start() != expected_start) {
      out.push_back(where + "starts at " + Number(record.start()) + ", not " +
                    Number(expected_start) + " where the one before ends");
    }
    if (record.words[kLineIndexWord] != static_cast<std::int64_t>(s) * track.line_count()) {
      out.push_back(where + "names line record " + Number(record.words[kLineIndexWord]) + ", not " +
                    Number(static_cast<std::int64_t>(s) * track.line_count()));
    }
    expected_start = static_cast<std::int64_t>(record.start()) + record.length();
  }
  if (expected_start != track.track_length()) {
    out.push_back("the sections end at " + Number(expected_start) + ", not at the lap length " +
                  Number(track.track_length()));
  }
}

// GPL freezes where a gap opens between two sections: the end of each section's reference line
// (dlat 0) must meet the start of the next, the last section's the first one's. Measured in
// the track's own terms (the reader's angle constants), so a track laid out with them closes.
constexpr double kJoinToleranceMm = 1.0;

std::string Fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

void CheckSectionJoins(const TrackGeometry& track, Problems& out) {
  const int count = track.section_count();
  if (count == 0 || track.line_count() == 0) return;
  for (int s = 0; s < count; ++s) {
    const int next = (s + 1) % count;
    const SectionRecord& record = track.section(s);
    const SectionRecord& following = track.section(next);
    const Point3 end = track.PointInSection(s, record.length(), 0);
    const Point3 start = track.PointInSection(next, 0, 0);
    const double dx = start.x - end.x, dy = start.y - end.y, dz = start.z - end.z;
    const double mm = std::sqrt(dx * dx + dy * dy + dz * dz) / kUnitsPerMetre * 1000.0;
    if (!(mm > kJoinToleranceMm)) continue;
    // Ahead of the end along the next section's direction is a gap; behind it, an overlap.
    const double heading = HeadingRadians(following.heading());
    const bool overlap = dx * std::cos(heading) + dy * std::sin(heading) < 0;
    // An arc turns the heading by twice its turning angle.
    const std::uint32_t end_heading =
        record.heading() +
        (record.kind() == kArc ? 2u * static_cast<std::uint32_t>(record.turn()) : 0u);
    const double turn_degrees =
        static_cast<std::int32_t>(following.heading() - end_heading) * (360.0 / 4294967296.0);
    out.push_back("section " + Number(next) + " starts " + Fixed(mm, 1) +
                  " mm from the end of section " + Number(s) + " (" +
                  (overlap ? "an overlap" : "a gap") + "), the heading changes by " +
                  Fixed(turn_degrees, 3) + " degrees");
  }
}

// Section records sit where their offsets say, one behind the other with their walls, and the
// surface entries they name exist.
void CheckSectionBlock(const TrackGeometry& track, std::size_t file_size, Problems& out) {
  const std::int64_t surface_total =
      static_cast<std::int64_t>(track.section_block_at() - track.line_block_at()) -
      static_cast<std::int64_t>(kLineRecordSize) * track.line_count() * track.section_count();
  const std::int64_t entry_size = track.layout() == kNewestLayout ? kStripSize : kSurfaceEntrySize;
  if (surface_total % entry_size != 0) {
    out.push_back("the surface block is not a whole number of entries");
  }
  std::uint64_t expected_offset = 0;
  for (int s = 0; s < track.section_count(); ++s) {
    const SectionRecord& record = track.section(s);
    if (track.section_offset(s) != expected_offset) {
      out.push_back("section " + Number(s) + " is at offset " + Number(track.section_offset(s)) +
                    ", not " + Number(static_cast<std::int64_t>(expected_offset)));
    }
    const std::int64_t first = record.words[kSurfaceFirstWord];
    const std::int64_t count = record.words[kSurfaceCountWord];
    if (first < 0 || count < 0 || first + count > surface_total / entry_size) {
      out.push_back("section " + Number(s) + " names surface entries " + Number(first) + " to " +
                    Number(first + count - 1) + " of " + Number(surface_total / entry_size));
    }
    expected_offset += kSectionRecordSize + kWallSize * track.walls(s).size();
  }
  const std::uint64_t end = track.section_block_at() + expected_offset;
  if (end != file_size) {
    out.push_back("the section block ends at byte " + Number(static_cast<std::int64_t>(end)) +
                  " but the file has " + Number(static_cast<std::int64_t>(file_size)) + " bytes");
  }
}

}  // namespace

Problems CheckTrackFile(std::vector<std::uint8_t> bytes, std::string_view rule_path,
                        TrackGeometry& geometry) {
  const Status loaded = geometry.LoadBytes(std::move(bytes), rule_path);
  return CheckTrackLoad(loaded, geometry);
}

Problems CheckTrackLoad(const Status& loaded, const TrackGeometry& geometry) {
  if (!loaded.ok()) return {"the track file cannot be read: " + loaded.message()};
  return CheckLoadedTrack(geometry);
}

Problems CheckLoadedTrack(const TrackGeometry& geometry) {
  const std::size_t size = geometry.image().size();
  Problems out;
  if (geometry.version() != kGplLayoutVersion && geometry.version() != kNewestLayoutVersion) {
    out.push_back("version " + Number(geometry.version()) +
                  ": neither GPL's layout 1 nor the newest layout 3000");
  }
  for (int i = 1; i < geometry.line_count(); ++i) {
    if (geometry.lines()[i] <= geometry.lines()[i - 1]) {
      out.push_back("reference line " + Number(i) + " does not lie beyond line " + Number(i - 1));
    }
  }
  CheckSectionRun(geometry, out);
  CheckSectionBlock(geometry, size, out);
  CheckSectionJoins(geometry, out);
  return out;
}

Problems CheckLineFile(std::span<const std::uint8_t> bytes,
                       std::optional<std::int64_t> expected_points) {
  ByteReader reader(bytes);
  const std::uint32_t tag = reader.U32();
  const std::uint32_t count = reader.U32();
  if (!reader.ok()) return {"shorter than the 8-byte line header"};
  Problems out;
  if (tag != kGplLineTag) out.push_back("first word " + Number(tag) + ", not 65538");
  if (expected_points && count != *expected_points) {
    out.push_back(Number(count) + " points, but the track's length gives " +
                  Number(*expected_points));
  }
  const std::uint64_t needed = 8 + static_cast<std::uint64_t>(count) * kGplPointSize;
  if (needed != bytes.size()) {
    out.push_back(Number(static_cast<std::int64_t>(bytes.size())) + " bytes, but " + Number(count) +
                  " points need " + Number(static_cast<std::int64_t>(needed)));
  }
  const std::size_t present = std::min<std::uint64_t>(count, reader.remaining() / kGplPointSize);
  for (std::size_t k = 0; k < present; ++k) {
    bool finite = true;
    for (int f = 0; f < 4; ++f) finite = std::isfinite(reader.F32()) && finite;
    reader.Skip(4);
    if (!finite) {
      out.push_back("point " + Number(static_cast<std::int64_t>(k)) +
                    " holds a value that is not a number");
      break;
    }
  }
  return out;
}

}  // namespace velmora

namespace velmora {

namespace {

// What the value of a track.ini key must look like.
enum class IniForm { kText, kMiles, kOne, kTwo, kFour };

struct IniKey {
  std::string_view section;
  std::string key;
  IniForm form;
};

std::vector<IniKey> ConverterKeys() {
  std::vector<IniKey> keys = {
      {"track", "track_name", IniForm::kText},
      {"track", "track_name_short", IniForm::kText},
      {"track", "track_length", IniForm::kMiles},
      {"statistics", "reference_value", IniForm::kOne},
      {"ai_track", "merge_from_pit_line_dlong", IniForm::kOne},
      {"ai_track", "pit_lane_end_dlong", IniForm::kOne},
      {"ai_track", "pit_lane_start_dlong", IniForm::kOne},
      {"ai_track", "start_of_pit_stalls", IniForm::kOne},
      {"pit_lane_0", "lane_bounds_dlong", IniForm::kTwo},
      {"pit_lane_0", "pit_board", IniForm::kFour},
  };
  for (std::string_view section : {"pit_lane_0", "starting_grid_0"}) {
    for (int i = 0; i < 20; ++i) keys.push_back({section, "stall_" + Number(i), IniForm::kTwo});
  }
  return keys;
}

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// How many numbers the text holds, when it holds nothing else; -1 otherwise.
int CountNumbers(std::string_view text) {
  const std::string copy(text);
  const char* at = copy.c_str();
  int count = 0;
  while (true) {
    while (*at == ' ' || *at == '\t') ++at;
    if (*at == '\0') return count;
    char* end = nullptr;
    const double value = std::strtod(at, &end);
    if (end == at || !std::isfinite(value)) return -1;
    at = end;
    ++count;
  }
}

bool HasForm(std::string_view value, IniForm form) {
  switch (form) {
    case IniForm::kText:
      return !value.empty();
    case IniForm::kMiles:
      return value.size() > 1 && value.back() == 'm' &&
             CountNumbers(value.substr(0, value.size() - 1)) == 1;
    case IniForm::kOne:
      return CountNumbers(value) == 1;
    case IniForm::kTwo:
      return CountNumbers(value) == 2;
    case IniForm::kFour:
      return CountNumbers(value) == 4;
  }
  return false;
}

const char* FormText(IniForm form) {
  switch (form) {
    case IniForm::kText:
      return "a name";
    case IniForm::kMiles:
      return "a length in miles ending in \"m\"";
    case IniForm::kOne:
      return "one number";
    case IniForm::kTwo:
      return "two numbers";
    case IniForm::kFour:
      return "four numbers";
  }
  return "";
}

// "[ section ]" headers and "key = value ; comment" lines, by section and key; the first value
// of a key counts.
std::map<std::string, std::map<std::string, std::string>, std::less<>> ParseIni(
    std::string_view text) {
  std::map<std::string, std::map<std::string, std::string>, std::less<>> sections;
  std::string section;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    line = Trim(line.substr(0, line.find(';')));
    if (line.starts_with('[')) {
      section = std::string(Trim(line.substr(1, line.find(']') - 1)));
      sections[section];
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    sections[section].emplace(std::string(Trim(line.substr(0, equals))),
                              std::string(Trim(line.substr(equals + 1))));
  }
  return sections;
}

}  // namespace

Problems CheckTrackIni(std::string_view text) {
  const auto sections = ParseIni(text);
  Problems out;
  std::string_view missing_section;
  for (const IniKey& key : ConverterKeys()) {
    const auto section = sections.find(key.section);
    if (section == sections.end()) {
      if (missing_section != key.section) {
        out.push_back("no [ " + std::string(key.section) + " ] section");
      }
      missing_section = key.section;
      continue;
    }
    const auto value = section->second.find(key.key);
    if (value == section->second.end()) {
      out.push_back("[ " + std::string(key.section) + " ] has no " + key.key);
    } else if (!HasForm(value->second, key.form)) {
      out.push_back("[ " + std::string(key.section) + " ] " + key.key + " = " + value->second +
                    ": not " + FormText(key.form));
    }
  }
  return out;
}

}  // namespace velmora
