#include "track/track_geometry_writer.h"

#include <algorithm>
#include <cstdlib>

#include "platform/byte_writer.h"
#include "platform/file_system.h"

namespace velmora {

namespace {

constexpr std::int32_t kWallOffset = 100;     // walls sit 100 units inside their strip
constexpr std::int32_t kBorderOffset = 20000;  // the outer border lies beyond the last strip

std::int32_t StripTypeOf(std::int32_t code, bool dubai) {
  if (code == 22) return 7;
  if (code >= 30 && code <= 45) return 2;
  if (code >= 46) return 1;
  return dubai ? 6 : 5;
}

std::int32_t GplCodeOf(std::int32_t type) {
  if (type == 1) return 54;
  if (type == 2) return 46;
  return 6;
}

void WriteHeader(ByteWriter& out, std::uint32_t version, std::uint32_t track_length,
                 std::size_t line_count, std::size_t section_count, std::size_t surface_bytes,
                 std::size_t section_bytes) {
  out.Bytes(kTrackMagic);
  out.U32(version);
  out.U32(track_length);
  out.U32(static_cast<std::uint32_t>(line_count));
  out.U32(static_cast<std::uint32_t>(section_count));
  out.U32(static_cast<std::uint32_t>(surface_bytes));
  out.U32(static_cast<std::uint32_t>(section_bytes));
}

// Gives both ends the value nearer to 0; on a tie the next section's start.
void MeetNearerZero(std::int32_t& end, std::int32_t& next_start) {
  const std::int32_t value =
      std::llabs(end) < std::llabs(next_start) ? end : next_start;
  end = value;
  next_start = value;
}

void PatchWord(std::vector<std::uint8_t>& image, std::size_t at, std::int32_t value) {
  const auto word = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) image[at + i] = static_cast<std::uint8_t>(word >> (8 * i));
}

// A track already in GPL's layout keeps its bytes; the slope words and the wall fillers are
// set the way GPL's own files have them, and the block sizes are recomputed.
std::vector<std::uint8_t> RewriteGplLayout(const TrackGeometry& track) {
  std::vector<std::uint8_t> image = track.image();
  const int sections = track.section_count();
  const int lines = track.line_count();
  for (int s = 0; s + 1 < sections; ++s) {
    for (int l = 0; l < lines; ++l) {
      const LineRecord& record = track.line_record(s, l);
      const std::size_t at =
          track.line_block_at() + (static_cast<std::size_t>(s) * lines + l) * kLineRecordSize;
      PatchWord(image, at + 16, MulWrapping(record[0], 3));
      PatchWord(image, at + 20, MulWrapping(record[1], 2));
    }
  }
  std::uint64_t surface_count = 0;
  std::uint64_t section_bytes = 0;
  for (int s = 0; s < sections; ++s) {
    surface_count += track.surfaces(s).size();
    const std::size_t wall_count = track.walls(s).size();
    section_bytes += kSectionRecordSize + kWallSize * wall_count;
    const std::size_t walls_at =
        track.section_block_at() + track.section_offset(s) + kSectionRecordSize;
    for (std::size_t k = 0; k < wall_count; ++k) {
      PatchWord(image, walls_at + k * kWallSize + 12, kFiller);
      PatchWord(image, walls_at + k * kWallSize + 16, kFiller);
    }
  }
  PatchWord(image, 20, static_cast<std::int32_t>(kSurfaceEntrySize * surface_count));
  PatchWord(image, 24, static_cast<std::int32_t>(section_bytes));
  return image;
}

}  // namespace

bool IsWallStrip(const Strip& strip) {
  return strip[2] > 2000 || (strip[2] >= 5 && strip[3] > 0 && strip[4] > 0 && strip[5] > 0);
}

std::vector<Strip> NewestLayoutStrips(const TrackGeometry& track, int section) {
  const bool dubai = track.path().find("dubai") != std::string::npos;
  std::vector<Strip> strips;
  for (const SurfaceEntry& entry : track.surfaces(section)) {
    strips.push_back({entry.start, entry.end, StripTypeOf(entry.code, dubai), 0, 0, 0, 0, 0});
  }
  std::span<const WallEntry> walls = track.walls(section);
  const bool drop_inner = track.DropsInnerWalls(track.section(section).start());
  for (std::size_t k = 0; k < walls.size(); ++k) {
    if (drop_inner && k != 0 && k + 1 != walls.size()) continue;
    const Strip wall = {AddWrapping(walls[k][1], -kWallOffset),
                        AddWrapping(walls[k][2], -kWallOffset),
                        kWallStripType,
                        16,
                        25000,
                        0,
                        0,
                        0};
    auto at = std::find_if(strips.begin(), strips.end(),
                           [&](const Strip& s) { return s[0] >= wall[0]; });
    strips.insert(at, wall);
  }
  if (strips.empty()) return strips;

  Strip border = strips.back();
  border[0] = AddWrapping(border[0], kBorderOffset);
  border[1] = AddWrapping(border[1], kBorderOffset);
  border[2] = kBorderStripType;
  if (strips.back()[2] < 2048) {
    strips.back() = border;
  } else {
    strips.push_back(border);
  }

  // Behind each wall the surface resumes 100 units out; between two walls a strip of the last
  // surface type fills the gap.
  std::int32_t last_type = 2;
  for (std::size_t i = 0; i + 1 < strips.size(); ++i) {
    const bool wall = strips[i][2] > 2000;
    const bool next_wall = strips[i + 1][2] > 2000;
    if (wall && next_wall) {
      Strip fill = strips[i];
      fill[0] = AddWrapping(fill[0], kWallOffset);
      fill[1] = AddWrapping(fill[1], kWallOffset);
      fill[2] = last_type;
      strips.insert(strips.begin() + i + 1, fill);
    } else if (wall) {
      strips[i + 1][0] = AddWrapping(strips[i][0], kWallOffset);
      strips[i + 1][1] = AddWrapping(strips[i][1], kWallOffset);
    } else if (strips[i][2] < 2000) {
      last_type = strips[i][2];
    }
  }
  return strips;
}

GplSection GplSectionFromStrips(std::span<const Strip> strips, int section,
                                const SectionSettings& settings) {
  GplSection out;
  std::vector<std::int32_t> starts;
  std::vector<std::int32_t> ends;
  bool skip = false;
  for (std::size_t j = 0; j < strips.size(); ++j) {
    const Strip& strip = strips[j];
    out.surfaces.push_back({strip[0], strip[1], GplCodeOf(strip[2])});
    if (!IsWallStrip(strip)) {
      skip = false;
      continue;
    }
    const bool was_empty = starts.empty();
    if (!skip) {
      starts.push_back(strip[0]);
      ends.push_back(strip[1]);
      if (strip[0] < 0 && j + 1 < strips.size()) {
        starts.push_back(strips[j + 1][0]);
        ends.push_back(strips[j + 1][1]);
      }
    }
    skip = !was_empty;
  }
  if (strips.empty()) return out;

  const bool in_two_walls = section >= settings.two_walls_from && section < settings.two_walls_to &&
                          !(section >= settings.all_walls_from && section <= settings.all_walls_to);
  if (in_two_walls || starts.size() < 2) {
    WallEntry first = {kFirstWallKind, strips.front()[0], strips.front()[1], kFiller, kFiller};
    WallEntry last = {kWallKind, strips.back()[0], strips.back()[1], kFiller, kFiller};
    for (std::size_t k = 0; k < starts.size(); ++k) {
      if (starts[k] < 0) {
        first[1] = starts[k];
        first[2] = ends[k];
      } else {
        last[1] = starts[k];
        last[2] = ends[k];
        break;
      }
    }
    std::erase_if(out.surfaces, [&](const SurfaceEntry& e) {
      return e.start < first[1] || e.start > last[1];
    });
    out.walls = {first, last};
    return out;
  }

  if (settings.first_strip_wall != 0 && strips.front()[2] <= 2) {
    starts.insert(starts.begin(), strips.front()[0]);
    ends.insert(ends.begin(), strips.front()[1]);
  }
  bool positive = false;
  for (std::size_t k = 0; k < starts.size() && !positive; ++k) {
    out.walls.push_back({kWallKind, starts[k], ends[k], kFiller, kFiller});
    positive = starts[k] > 0;
  }
  if (!positive) out.walls.front()[0] = kFirstWallKind;
  return out;
}

std::vector<std::uint8_t> NewestLayoutBytes(const TrackGeometry& track) {
  if (!track.loaded() || track.layout() == kNewestLayout) return {};
  const int sections = track.section_count();
  std::vector<std::vector<Strip>> strips(sections);
  std::size_t strip_count = 0;
  for (int s = 0; s < sections; ++s) {
    strips[s] = NewestLayoutStrips(track, s);
    strip_count += strips[s].size();
  }

  ByteWriter out;
  out.Reserve(kNewOffsetsAt + sections * (4 + kSectionRecordSize) +
              track.line_count() * sections * kLineRecordSize + strip_count * kStripSize);
  WriteHeader(out, kNewestLayoutVersion, track.track_length(), track.line_count(), sections,
              strip_count * kStripSize, sections * kSectionRecordSize);
  for (std::size_t i = 0; i < kOldLineSlots; ++i) out.I32(track.line_slots()[i]);
  out.Fill((kNewLineSlots - kOldLineSlots) * 4, 0);
  for (int s = 0; s < sections; ++s) out.U32(static_cast<std::uint32_t>(s * kSectionRecordSize));
  for (int s = 0; s < sections; ++s) {
    for (int l = 0; l < track.line_count(); ++l) {
      for (std::int32_t word : track.line_record(s, l)) out.I32(word);
    }
  }
  for (const std::vector<Strip>& list : strips) {
    for (const Strip& strip : list) {
      for (std::int32_t word : strip) out.I32(word);
    }
  }
  std::size_t before = 0;
  for (int s = 0; s < sections; ++s) {
    const SectionRecord& record = track.section(s);
    for (std::size_t w = 0; w < 4; ++w) out.I32(record.words[w]);
    out.I32(0);
    for (std::size_t w = 4; w <= 9; ++w) out.I32(record.words[w]);
    out.U32(static_cast<std::uint32_t>(strips[s].size()));
    out.U32(static_cast<std::uint32_t>(before));
    before += strips[s].size();
  }
  return out.Take();
}

std::vector<std::uint8_t> GplLayoutBytes(const TrackGeometry& track) {
  if (!track.loaded()) return {};
  if (track.layout() == static_cast<int>(kGplLayoutVersion)) return RewriteGplLayout(track);

  const int sections = track.section_count();
  const int line_count = track.line_count();
  // GPL drives on at most 10 lines: of more, the four around the middle are kept.
  const int first_line = line_count > 10 ? line_count / 2 - 2 : 0;
  const int kept_lines = line_count > 10 ? 4 : line_count;

  std::vector<GplSection> converted(sections);
  std::vector<Strip> own_strips;
  for (int s = 0; s < sections; ++s) {
    std::span<const Strip> strips = track.strips(s);
    if (track.layout() != kNewestLayout) {
      // An older-layout track goes through the strips the newest layout would hold.
      own_strips = NewestLayoutStrips(track, s);
      strips = own_strips;
    }
    converted[s] = GplSectionFromStrips(strips, s, track.settings());
  }
  for (int s = 0; s < sections; ++s) {
    std::vector<WallEntry>& walls = converted[s].walls;
    std::vector<WallEntry>& next = converted[(s + 1) % sections].walls;
    if (walls.empty() || next.empty()) continue;
    if (walls.size() == next.size()) {
      for (std::size_t k = 0; k < walls.size(); ++k) MeetNearerZero(walls[k][2], next[k][1]);
    } else {
      walls.front()[2] = next.front()[1];
      MeetNearerZero(walls.back()[2], next.back()[1]);
    }
  }

  std::size_t surface_count = 0;
  std::size_t wall_count = 0;
  for (const GplSection& section : converted) {
    surface_count += section.surfaces.size();
    wall_count += section.walls.size();
  }
  ByteWriter out;
  out.Reserve(kOldOffsetsAt + sections * (4 + kSectionRecordSize) +
              kept_lines * sections * kLineRecordSize + surface_count * kSurfaceEntrySize +
              wall_count * kWallSize);
  WriteHeader(out, kGplLayoutVersion, track.track_length(), kept_lines, sections,
              kSurfaceEntrySize * surface_count,
              kWallSize * wall_count + kSectionRecordSize * sections);
  for (std::size_t i = 0; i < kOldLineSlots; ++i) {
    out.I32(static_cast<int>(i) < kept_lines ? track.lines()[first_line + i] : 0);
  }
  std::size_t walls_before = 0;
  for (int s = 0; s < sections; ++s) {
    out.U32(static_cast<std::uint32_t>(kSectionRecordSize * s + kWallSize * walls_before));
    walls_before += converted[s].walls.size();
  }
  for (int s = 0; s < sections; ++s) {
    const bool arc = track.section(s).kind() == kArc;
    for (int l = first_line; l < first_line + kept_lines; ++l) {
      LineRecord record = track.line_record(s, l);
      if (arc) record[kPyWord] = kFiller;
      for (std::int32_t word : record) out.I32(word);
    }
  }
  for (const GplSection& section : converted) {
    for (const SurfaceEntry& entry : section.surfaces) {
      out.I32(entry.start);
      out.I32(entry.end);
      out.I32(entry.code);
    }
  }
  std::size_t surfaces_before = 0;
  for (int s = 0; s < sections; ++s) {
    SectionRecord record = track.section(s);
    if (record.kind() == kArc) record.words[7] = record.words[8] = kFiller;
    for (std::size_t w = 0; w <= 8; ++w) out.I32(record.words[w]);
    out.U32(static_cast<std::uint32_t>(s * kept_lines));
    out.U32(static_cast<std::uint32_t>(converted[s].surfaces.size()));
    out.U32(static_cast<std::uint32_t>(surfaces_before));
    out.U32(static_cast<std::uint32_t>(converted[s].walls.size()));
    surfaces_before += converted[s].surfaces.size();
    for (const WallEntry& wall : converted[s].walls) {
      for (std::int32_t word : wall) out.I32(word);
    }
  }
  return out.Take();
}

namespace {

Status WriteLayout(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  if (!WriteFileBytes(path, bytes)) return Status::IOError(path.string());
  return Status::Ok();
}

}  // namespace

Status WriteNewestLayout(const TrackGeometry& track, const std::filesystem::path& path) {
  if (!track.loaded()) return Status::InvalidArgument("the track is not loaded");
  if (track.layout() == kNewestLayout) return Status::Ok();
  return WriteLayout(path, NewestLayoutBytes(track));
}

Status WriteGplLayout(const TrackGeometry& track, const std::filesystem::path& path) {
  if (!track.loaded()) return Status::InvalidArgument("the track is not loaded");
  return WriteLayout(path, GplLayoutBytes(track));
}

}  // namespace velmora
