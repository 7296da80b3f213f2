#include "samples/track_builders.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/byte_writer.h"
#include "platform/units.h"

namespace velmora::samples {

namespace {

constexpr double kPi = 3.14159265358979323846;

std::int32_t Metres(double metres) { return static_cast<std::int32_t>(metres * kUnitsPerMetre); }

struct SectionPose {
  double x = 0;
  double y = 0;
  std::uint32_t heading = 0;
  std::int32_t turn = 0;
  double cx = 0;
  double cy = 0;
  double radius = 0;  // of the reference line; right turns negative
};

double HeightAt(double fraction) { return 60000.0 * std::sin(2 * kPi * fraction); }

std::vector<Strip> StripsOf(const TrackSectionSpec& section) {
  if (!section.strips.empty()) return section.strips;
  std::vector<Strip> strips;
  for (const SurfaceEntry& e : section.surfaces) {
    strips.push_back({e.start, e.end, e.code >= 46 ? 1 : 2, 0, 0, 0, 0, 0});
  }
  for (const WallEntry& w : section.walls) {
    strips.push_back({w[1], w[2], 2059, 16, 25000, 0, 0, 0});
  }
  std::stable_sort(strips.begin(), strips.end(),
                   [](const Strip& a, const Strip& b) { return a[0] < b[0]; });
  return strips;
}

}  // namespace

std::vector<std::uint8_t> BuildTrackFile(const TrackSpec& layout, std::uint32_t version) {
  const bool old = version < kStripLayoutVersion;
  const bool gpl = version == kGplLayoutVersion;
  const std::size_t line_count = layout.lines.size();
  const std::size_t section_count = layout.sections.size();

  // Poses along the lap.
  std::vector<SectionPose> poses;
  std::vector<std::int64_t> starts;
  double x = 0;
  double y = 0;
  std::uint32_t heading = 0;
  std::int64_t start = 0;
  for (const TrackSectionSpec& section : layout.sections) {
    SectionPose pose{x, y, heading};
    starts.push_back(start);
    const double h = HeadingRadians(heading);
    if (section.kind == kStraight) {
      x += std::cos(h) * section.length;
      y += std::sin(h) * section.length;
    } else {
      pose.turn = static_cast<std::int32_t>(std::lround(section.turn_radians / (kFullTurn *
                                                                               kTurnScale)));
      pose.radius = section.length / TurnRadians(pose.turn);
      pose.cx = x - pose.radius * std::sin(h);
      pose.cy = y + pose.radius * std::cos(h);
      const double end = TurnRadians(pose.turn) + h - kQuarterTurn;
      x = std::cos(end) * pose.radius + pose.cx;
      y = std::sin(end) * pose.radius + pose.cy;
      heading += static_cast<std::uint32_t>(2 * static_cast<std::int64_t>(pose.turn));
    }
    poses.push_back(pose);
    start += section.length;
  }
  const double lap = static_cast<double>(start);

  std::vector<std::vector<Strip>> strips;
  std::size_t surface_bytes = 0;
  std::size_t section_bytes = 0;
  for (const TrackSectionSpec& section : layout.sections) {
    if (old) {
      surface_bytes += section.surfaces.size() * kSurfaceEntrySize;
      section_bytes += kSectionRecordSize + section.walls.size() * kWallSize;
    } else {
      strips.push_back(StripsOf(section));
      surface_bytes += strips.back().size() * kStripSize;
      section_bytes += kSectionRecordSize;
    }
  }

  ByteWriter out;
  out.Bytes(kTrackMagic);
  out.U32(version);
  out.U32(static_cast<std::uint32_t>(start));
  out.U32(static_cast<std::uint32_t>(line_count));
  out.U32(static_cast<std::uint32_t>(section_count));
  out.U32(static_cast<std::uint32_t>(surface_bytes));
  out.U32(static_cast<std::uint32_t>(section_bytes));
  const std::size_t slots = old ? kOldLineSlots : kNewLineSlots;
  for (std::size_t i = 0; i < slots; ++i) out.I32(i < line_count ? layout.lines[i] : 0);
  std::size_t offset = 0;
  for (const TrackSectionSpec& section : layout.sections) {
    out.U32(static_cast<std::uint32_t>(offset));
    offset += kSectionRecordSize + (old ? section.walls.size() * kWallSize : 0);
  }
  for (std::size_t s = 0; s < section_count; ++s) {
    const TrackSectionSpec& section = layout.sections[s];
    const SectionPose& pose = poses[s];
    const double h = HeadingRadians(pose.heading);
    const double z0 = HeightAt(starts[s] / lap);
    const double z1 = HeightAt((starts[s] + section.length) / lap);
    for (std::int32_t dlat : layout.lines) {
      // A crossfall of 2 per cent and a small bump inside the section.
      const double fall = 0.02 * dlat;
      const std::int32_t z_a = -1000;
      const std::int32_t z_b = 1000;
      out.I32(z_a);
      out.I32(z_b);
      out.I32(static_cast<std::int32_t>(z1 - z0));
      out.I32(static_cast<std::int32_t>(z0 + fall));
      out.I32(gpl ? 3 * z_a : 0);
      out.I32(gpl ? 2 * z_b : 0);
      if (section.kind == kStraight) {
        out.I32(static_cast<std::int32_t>(std::lround(pose.x - dlat * std::sin(h))));
        out.I32(static_cast<std::int32_t>(std::lround(pose.y + dlat * std::cos(h))));
      } else {
        out.I32(static_cast<std::int32_t>(std::lround(pose.radius - dlat)));
        out.I32(gpl ? kFiller : 0);
      }
    }
  }
  for (std::size_t s = 0; s < section_count; ++s) {
    if (old) {
      for (const SurfaceEntry& e : layout.sections[s].surfaces) {
        out.I32(e.start);
        out.I32(e.end);
        out.I32(e.code);
      }
    } else {
      for (const Strip& strip : strips[s]) {
        for (std::int32_t word : strip) out.I32(word);
      }
    }
  }
  std::size_t surfaces_before = 0;
  for (std::size_t s = 0; s < section_count; ++s) {
    const TrackSectionSpec& section = layout.sections[s];
    const SectionPose& pose = poses[s];
    const bool arc = section.kind == kArc;
    const std::size_t surface_count = old ? section.surfaces.size() : strips[s].size();
    out.I32(section.kind);
    out.U32(static_cast<std::uint32_t>(starts[s]));
    out.I32(section.length);
    out.U32(pose.heading);
    if (!old) out.I32(0);
    out.I32(arc ? static_cast<std::int32_t>(std::lround(pose.cx)) : 0);
    out.I32(arc ? static_cast<std::int32_t>(std::lround(pose.cy)) : 0);
    out.I32(pose.turn);
    out.I32(arc && gpl ? kFiller : 0);
    out.I32(arc && gpl ? kFiller : 0);
    out.U32(static_cast<std::uint32_t>(s * line_count));
    out.U32(static_cast<std::uint32_t>(surface_count));
    out.U32(static_cast<std::uint32_t>(surfaces_before));
    if (old) {
      out.U32(static_cast<std::uint32_t>(section.walls.size()));
      for (const WallEntry& wall : section.walls) {
        for (std::int32_t word : wall) out.I32(word);
      }
    }
    surfaces_before += surface_count;
  }
  return out.Take();
}

TrackSpec SampleCircuitSpec() {
  TrackSpec layout;
  layout.lines = {-250000, -150000, -50000, 50000, 150000, 250000};
  const std::vector<SurfaceEntry> surfaces = {
      {-215000, -215000, 35},  // run-off
      {-160000, -160000, 22},  // kerb
      {-150000, -150000, 50},  // road
      {150000, 150000, 22},    // kerb
      {160000, 160000, 35},    // run-off
  };
  const std::vector<WallEntry> walls = {{6, -230000, -230000, 0, 0}, {4, 230000, 230000, 0, 0}};
  auto straight = [&](double metres) {
    return TrackSectionSpec{kStraight, Metres(metres), 0, surfaces, walls, {}};
  };
  auto arc = [&](double degrees, double radius) {
    const double radians = degrees * kPi / 180.0;
    return TrackSectionSpec{kArc, Metres(std::abs(radians) * radius), radians, surfaces, walls,
                            {}};
  };
  // The S-bend moves the line sideways on both long straights alike, so the lap closes.
  for (int half = 0; half < 2; ++half) {
    layout.sections.push_back(straight(250));
    layout.sections.push_back(arc(30, 100));
    layout.sections.push_back(arc(-30, 100));
    layout.sections.push_back(straight(300));
    layout.sections.push_back(arc(90, 120));
    layout.sections.push_back(straight(300));
    layout.sections.push_back(arc(90, 120));
  }
  return layout;
}

std::vector<std::uint8_t> BuildTemplateTrackFile() {
  return BuildTrackFile(SampleCircuitSpec(), kNewestLayoutVersion);
}

std::vector<std::uint8_t> BuildSourceRacingLine(const std::vector<SourceLinePoint>& points) {
  ByteWriter out;
  out.U32(static_cast<std::uint32_t>(points.size()));
  for (const SourceLinePoint& point : points) {
    out.I32(point.speed);
    out.I32(point.second);
    out.I32(point.dlat);
  }
  return out.Take();
}

std::vector<SourceLinePoint> SampleRacingLinePoints(int count, std::int32_t bias) {
  const TrackSpec layout = SampleCircuitSpec();
  std::int64_t lap = 0;
  for (const TrackSectionSpec& section : layout.sections) lap += section.length;
  std::vector<SourceLinePoint> points;
  std::size_t s = 0;
  std::int64_t section_start = 0;
  for (int i = 0; i < count; ++i) {
    const std::int64_t dlong = lap * i / count;
    while (s + 1 < layout.sections.size() && dlong >= section_start + layout.sections[s].length) {
      section_start += layout.sections[s].length;
      ++s;
    }
    const TrackSectionSpec& section = layout.sections[s];
    const double t = static_cast<double>(dlong - section_start) / section.length;
    SourceLinePoint point;
    point.second = static_cast<std::int32_t>(i * 4000);
    if (section.kind == kArc) {
      // Apex in the middle of the corner, on its inside.
      const double inside = section.turn_radians > 0 ? 1.0 : -1.0;
      point.dlat = static_cast<std::int32_t>(inside * 100000 * std::sin(kPi * t)) + bias;
      point.speed = static_cast<std::int32_t>(90000 - 30000 * std::sin(kPi * t));
    } else {
      point.dlat = bias;
      point.speed = 150000;
    }
    points.push_back(point);
  }
  return points;
}

void AddSampleTrackFiles(std::string_view folder, std::vector<MemberBytes>& members,
                         std::vector<MemberBytes>& loose) {
  members.push_back(
      {std::string(folder) + ".trk", BuildTrackFile(SampleCircuitSpec(), kSourceLayoutVersion)});
  const struct {
    const char* name;
    std::int32_t bias;
  } kLines[] = {{"Race.lp", 0},         {"pit.lp", -120000},   {"pass1.lp", 60000},
                {"pass2.lp", -60000},   {"maxrace.lp", 90000}, {"minrace.lp", -90000}};
  for (const auto& line : kLines) {
    loose.push_back({line.name, BuildSourceRacingLine(SampleRacingLinePoints(700, line.bias))});
  }
}

}  // namespace velmora::samples
