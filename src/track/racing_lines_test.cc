#include "track/racing_lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "platform/byte_reader.h"
#include "platform/byte_writer.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/temp_folder.h"
#include "samples/track_builders.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using samples::SourceLinePoint;

struct Written {
  std::uint32_t tag = 0;
  std::vector<LinePoint> points;
};

Written ReadBack(const fs::path& path) {
  Written out;
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
  if (!bytes) return out;
  ByteReader reader(*bytes);
  out.tag = reader.U32();
  out.points.resize(reader.U32());
  for (LinePoint& p : out.points) {
    p.speed = reader.F32();
    p.second = reader.F32();
    p.dlat = reader.F32();
    p.lat_rate = reader.F32();
    EXPECT_EQ(reader.U32(), 0u);
  }
  EXPECT_TRUE(reader.ok());
  EXPECT_EQ(reader.remaining(), 0u);
  return out;
}

using PointFields = std::tuple<float, float, float, float>;
std::vector<PointFields> Fields(const std::vector<LinePoint>& points) {
  std::vector<PointFields> out;
  for (const LinePoint& p : points) out.emplace_back(p.speed, p.second, p.dlat, p.lat_rate);
  return out;
}

class RacingLinesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = TempFolder::Create("lines");
    ASSERT_TRUE(folder_);
    ASSERT_TRUE(track_.LoadBytes(samples::BuildTemplateTrackFile(), "x/kestrel.trk").ok());
  }
  fs::path Dest(std::string_view name) {
    const fs::path dest = folder_->path() / name;
    fs::create_directories(dest);
    return dest;
  }
  void WriteSource(std::string_view name, const std::vector<SourceLinePoint>& points) {
    ASSERT_TRUE(WriteFileBytes(folder_->path() / name, samples::BuildSourceRacingLine(points)));
  }

  std::optional<TempFolder> folder_;
  TrackGeometry track_;
  RecordingMessageSink messages_;
};

// A track of the sample circuit's kind made of `sections`.
TrackGeometry TrackOf(std::vector<samples::TrackSectionSpec> sections) {
  samples::TrackSpec plan = samples::SampleCircuitSpec();
  plan.sections = std::move(sections);
  TrackGeometry track;
  EXPECT_TRUE(track.LoadBytes(samples::BuildTrackFile(plan, kNewestLayoutVersion), "t.trk").ok());
  return track;
}

// A track of straights only: its reference lap is the sum of the section lengths.
TrackGeometry StraightTrack(std::int32_t lap) {
  samples::TrackSectionSpec first = samples::SampleCircuitSpec().sections.front();
  samples::TrackSectionSpec second = first;
  first.length = lap / 2;
  second.length = lap - lap / 2;
  return TrackOf({first, second});
}

// A left-hand quarter circle of 1000 m radius from the start line, then 2000 m straight on.
TrackGeometry CornerThenStraightTrack() {
  samples::TrackSectionSpec straight = samples::SampleCircuitSpec().sections[0];
  samples::TrackSectionSpec arc = samples::SampleCircuitSpec().sections[1];
  straight.length = 2000 * 19685;
  arc.turn_radians = std::acos(-1.0) / 2;
  arc.length = static_cast<std::int32_t>(arc.turn_radians * 1000 * 19685);
  return TrackOf({arc, straight});
}

// The per-track counts look only at the GPL track's own folder name ("cindy" holds "indy").
TEST_F(RacingLinesTest, PointCountIsTheLapInPointsPlusTwoOrTheTracksOwn) {
  // 900 whole points of 59099 units and one unit short of the next: 900 + 2.
  const TrackGeometry track = StraightTrack(59099 * 900 + 59098);
  EXPECT_EQ(RacingLines::PointCount(StraightTrack(59099 * 901), "tracks/kestrel/"), 903);
  EXPECT_EQ(RacingLines::PointCount(track, "tracks/SearsPt/"), 901);        // any letter case
  EXPECT_EQ(RacingLines::PointCount(track, "tracks/lagunapocono/"), 1340);  // the later rule wins
  WriteSource("Race.lp", {{60000, 0, 0}, {60000, 0, 0}});
  const std::pair<const char*, std::size_t> folders[] = {
      {"home/cindy/Laguna Games/gpl/tracks/kestrel", 902}, {"any/gpl/tracks/Indy", 1342}};
  for (const auto& [folder, count] : folders) {
    SCOPED_TRACE(folder);
    RacingLines lines;
    ASSERT_TRUE(lines.ConvertAll(folder_->path(), Dest(folder), track).ok());
    EXPECT_EQ(ReadBack(folder_->path() / folder / "Race.lp").points.size(), count);
  }
}

TEST_F(RacingLinesTest, StretchedAndThinnedLines) {
  const fs::path dest = Dest("kestrel");
  const std::int64_t n = RacingLines::PointCount(track_, "tracks/kestrel/");
  for (int source_count : {100, 5000}) {
    SCOPED_TRACE(source_count);
    std::vector<SourceLinePoint> points;
    for (int i = 0; i < source_count; ++i) points.push_back({60000, i, i});
    WriteSource("Race.lp", points);
    RacingLines lines;
    ASSERT_TRUE(lines.ConvertAll(folder_->path(), dest, track_).ok());
    Written out = ReadBack(dest / "Race.lp");
    EXPECT_EQ(out.tag, kGplLineTag);
    ASSERT_EQ(static_cast<std::int64_t>(out.points.size()), n);
    const double step = static_cast<double>(source_count) / static_cast<double>(n - 2);
    for (std::int64_t k = 0; k < n; ++k) {
      // Point k shows source point trunc(k * step), the last one repeating past the end.
      const auto j = std::min<std::int64_t>(static_cast<std::int64_t>(k * step), source_count - 1);
      ASSERT_FLOAT_EQ(out.points[k].second, static_cast<float>(j * 2e-05)) << k;
    }
  }
}

// Expected values worked out apart from the code, with Python's struct module for float
// rounding: f32(x) = unpack('f', pack('f', x)). speed = f32(raw / divisor), divisor
// 55000 - (raw - 20000) * 0.16666666666666669 above 20000, at least 40000; the overtaking
// lines' speed is f32(speed - 0.2) computed in double; dlat = f32(f32(raw / 19685.0) * 0.9).
TEST_F(RacingLinesTest, SpeedsAndOffsets) {
  const fs::path dest = Dest("kestrel");
  // Speeds below and above 20000, one so fast that the divisor is held at 40000.
  const std::vector<SourceLinePoint> points = {
      {10000, 50000, 19685}, {80000, 0, 39370}, {200000, 0, 19685}, {80000, 0, 19685}};
  for (const char* name : {"Race.lp", "pit.lp", "pass1.lp", "maxrace.lp", "minrace.lp"}) {
    WriteSource(name, points);
  }
  const TrackGeometry track = StraightTrack(59099 * 4);
  RacingLines lines;
  ASSERT_TRUE(lines.ConvertAll(folder_->path(), dest, track).ok());
  Written race = ReadBack(dest / "Race.lp");
  ASSERT_EQ(race.points.size(), 6u);  // source points 0 to 3, 3, 3
  EXPECT_EQ(Fields({race.points[0]}), Fields({{0.181818187f, 1.0f, 0.899999976f, 0.0f}}));
  EXPECT_EQ(race.points[1].speed, 1.77777779f);
  EXPECT_EQ(race.points[2].speed, 5.0f);

  EXPECT_EQ(ReadBack(dest / "pit.lp").points[0].dlat, 1.0f);
  // In float arithmetic this would be -0.0181818157.
  EXPECT_EQ(ReadBack(dest / "pass1.lp").points[0].speed, -0.018181812f);
  EXPECT_EQ(ReadBack(dest / "maxrace.lp").points[0].dlat, 0.25f);
  EXPECT_EQ(ReadBack(dest / "minrace.lp").points[0].dlat, 1.75f);
  EXPECT_FALSE(FileExists(dest / "pass2.lp"));  // no source: skipped
}

// The lateral rate: (dlat - previous dlat) / (speed * 100.0), then damped by the turning sense
// at the point: moving outwards in a corner times -0.05, on a straight times 0.25, both in
// double. With raw speed 30000 (0.5625) and a step of one metre (0.899999976 m after the
// narrowing): rate -0.0159999989; damped outwards 0.000799999922 (float arithmetic would give
// 0.00079999998); quartered -0.00399999972.
TEST_F(RacingLinesTest, LatRateIsDampedByTheTurningSense) {
  const TrackGeometry track = CornerThenStraightTrack();
  const std::int64_t n = RacingLines::PointCount(track, "tracks/kestrel/");
  // n - 2 source points: output point k shows source point k.
  std::vector<SourceLinePoint> points(static_cast<std::size_t>(n - 2), {30000, 0, 0});
  points[1].dlat = -19685;    // 3 m, in the left-hand corner: a step outwards, then back in
  points[800].dlat = -19685;  // 2400 m, on the straight
  WriteSource("Race.lp", points);
  std::vector<SourceLinePoint> slow(points.size(), {2554, 0, 0});
  WriteSource("pass2.lp", slow);
  const fs::path dest = Dest("kestrel");
  RacingLines lines;
  ASSERT_TRUE(lines.ConvertAll(folder_->path(), dest, track).ok());
  Written race = ReadBack(dest / "Race.lp");
  ASSERT_EQ(static_cast<std::int64_t>(race.points.size()), n);
  // Outwards in the corner, back inwards (kept), on the straight, and no step.
  const std::pair<int, float> rates[] = {
      {1, 0.000799999922f}, {2, 0.0159999989f}, {800, -0.00399999972f}, {700, 0.0f}};
  for (const auto& [k, rate] : rates) EXPECT_EQ(race.points[k].lat_rate, rate) << k;
  // In float arithmetic this would be -0.153563648.
  EXPECT_EQ(ReadBack(dest / "pass2.lp").points[500].speed, -0.153563634f);
}

TEST_F(RacingLinesTest, EmptyLinesAndZeroSpeedsGiveDefinedPoints) {
  const fs::path dest = Dest("kestrel");
  WriteSource("Race.lp", {});
  WriteSource("pit.lp", {{0, 0, 19685}, {0, 0, 39370}, {0, 0, 59055}});
  // A count larger than the points present: the points that are there are used.
  std::vector<std::uint8_t> lying = samples::BuildSourceRacingLine({{60000, 0, 19685}});
  lying[0] = 200;
  ASSERT_TRUE(WriteFileBytes(folder_->path() / "pass1.lp", lying));
  RacingLines lines;
  ASSERT_TRUE(lines.ConvertAll(folder_->path(), dest, track_).ok());
  for (const char* name : {"Race.lp", "pit.lp", "pass1.lp"}) {
    const std::vector<LinePoint> points = ReadBack(dest / name).points;
    EXPECT_TRUE(!points.empty() && std::ranges::all_of(points, [](const LinePoint& p) {
      return std::isfinite(p.lat_rate) && std::isfinite(p.speed);
    })) << name;
  }
}

std::vector<std::uint8_t> GplLine(const std::vector<float>& speeds,
                                  const std::vector<float>& dlats) {
  ByteWriter out;
  out.U32(kGplLineTag);
  out.U32(static_cast<std::uint32_t>(speeds.size()));
  for (std::size_t i = 0; i < speeds.size(); ++i) {
    for (float word : {speeds[i], 0.0f, dlats[i], 0.0f}) out.F32(word);
    out.U32(0);
  }
  return out.Take();
}

TEST(RacingLinesQueriesTest, BrakingAndGroove) {
  // 20 points: steady 5, one hard drop of 2 between points 10 and 11, a gentle one of 0.2
  // between 15 and 16, acceleration elsewhere.
  std::vector<float> speeds(20), dlats(20);
  for (int i = 0; i < 20; ++i) {
    speeds[i] = (i <= 10 ? 5.0f : 3.0f) + 0.01f * static_cast<float>(i);
    dlats[i] = static_cast<float>(i);
  }
  speeds[16] = speeds[15] - 0.2f;
  for (int i = 17; i < 20; ++i) speeds[i] = speeds[16] + 0.01f * static_cast<float>(i - 16);
  RacingLines lines;
  lines.LoadLineBytes("race.lp", GplLine(speeds, dlats));
  ASSERT_EQ(lines.point_count(), 20u);
  auto at = [](int k) { return static_cast<std::int32_t>(k * 59055.0 + 1); };
  EXPECT_EQ(lines.BrakingAt(at(9)), 1.0);  // window 9..11 holds the hard drop
  EXPECT_EQ(lines.BrakingAt(at(4)), 0.0);  // accelerating
  // The hardest drop is 5.10 -> 3.11.
  EXPECT_NEAR(lines.BrakingAt(at(14)), 0.2 / (0.25 * 1.99), 1e-4);
  EXPECT_EQ(lines.BrakingAt(at(0)), lines.BrakingAt(at(3)));  // k at least 3
  // Groove: the mean of three race points, halved without edge lines; near the lap end
  // (k > count - 6) the points 0 to 2 are used.
  const std::pair<int, double> grooves[] = {{5, 4 + 5 + 6}, {14, 13 + 14 + 15}, {15, 0 + 1 + 2}};
  for (const auto& [k, sum] : grooves) {
    EXPECT_NEAR(lines.GrooveDlatAt(at(k)), sum * 0.5 * 0.33333334, 1e-5) << k;
  }
  // With both edge lines, half their sum joins in; a short edge line counts as 0 beyond.
  lines.LoadLineBytes("minrace.lp", GplLine(speeds, std::vector<float>(20, 4)));
  lines.LoadLineBytes("maxrace.lp", GplLine({1, 1, 1, 1, 1, 1}, {2, 2, 2, 2, 2, 2}));
  EXPECT_NEAR(lines.GrooveDlatAt(at(5)),
              ((4 + 5 + 6) * 0.5 + (2 + 4 + 2 + 4 + 0 + 4) * 0.5) * 0.33333334, 1e-4);
}

TEST_F(RacingLinesTest, RoundTripThroughLoadLinesWithTrackFromArchive) {
  const fs::path dest = Dest("kestrel");
  const std::vector<SourceLinePoint> points = samples::SampleRacingLinePoints(700, 0);
  for (const char* name : {"Race.lp", "pass1.lp", "pass2.lp", "maxrace.lp", "minrace.lp"}) {
    WriteSource(name, points);
  }
  RacingLines lines;
  ASSERT_TRUE(lines.ConvertAll(folder_->path(), dest, track_).ok());
  // A GPL folder holds the track only inside its archive.
  std::vector<samples::MemberBytes> members = {{"kestrel.trk", samples::BuildTemplateTrackFile()}};
  ASSERT_TRUE(WriteFileBytes(dest / "kestrel.dat", samples::BuildTrackArchive(members)));
  RacingLines loaded;
  ASSERT_TRUE(loaded.LoadLines(dest, "kestrel").ok());
  ASSERT_NE(loaded.geometry(), nullptr);
  EXPECT_EQ(loaded.geometry()->track_length(), track_.track_length());
  Written race = ReadBack(dest / "Race.lp");
  EXPECT_EQ(Fields(loaded.race()), Fields(race.points));
}

}  // namespace
}  // namespace velmora
