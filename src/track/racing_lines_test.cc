#include "track/racing_lines.h"

#include <gtest/gtest.h>

#include <cmath>

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

TEST_F(RacingLinesTest, PointCountFollowsLapAndPerTrackTable) {
  const std::int64_t computed = RacingLines::PointCount(track_, "/gpl/tracks/kestrel");
  // The reference lap of the sample circuit is about 2663 m: 887 points of 3 m, plus 2.
  EXPECT_NEAR(static_cast<double>(computed), 2663.0 * 19685 / 59099 + 2, 2);
  struct Row {
    const char* folder;
    std::int64_t count;
  } rows[] = {{"/gpl/tracks/laguna", 1187},
              {"/gpl/tracks/SearsPt", computed - 1},  // any letter case
              {"/gpl/tracks/laguna/pocono", 1340}};   // the later rule wins
  for (const Row& row : rows) {
    SCOPED_TRACE(row.folder);
    EXPECT_EQ(RacingLines::PointCount(track_, row.folder), row.count);
  }
}

TEST_F(RacingLinesTest, StretchedAndThinnedLines) {
  const fs::path dest = Dest("kestrel");
  const std::int64_t n = RacingLines::PointCount(track_, dest.string());
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
    if (source_count == 100) {
      EXPECT_EQ(out.points[1].second, out.points[2].second);
    }
  }
}

TEST_F(RacingLinesTest, SpeedsOffsetsAndLatRate) {
  const fs::path dest = Dest("kestrel");
  // Speeds below and above 20000, one so fast that the divisor is held at 40000.
  const std::vector<SourceLinePoint> points = {
      {10000, 50000, 19685}, {80000, 0, 39370}, {200000, 0, 19685}, {80000, 0, 19685}};
  for (const char* name : {"Race.lp", "pit.lp", "pass1.lp", "maxrace.lp", "minrace.lp"}) {
    WriteSource(name, points);
  }
  RacingLines lines;
  ASSERT_TRUE(lines.ConvertAll(folder_->path(), dest, track_).ok());
  Written race = ReadBack(dest / "Race.lp");
  ASSERT_GT(race.points.size(), 4u);
  EXPECT_FLOAT_EQ(race.points[0].speed, static_cast<float>(10000 / 55000.0));
  EXPECT_FLOAT_EQ(race.points[0].second, 1.0f);
  EXPECT_FLOAT_EQ(race.points[0].dlat, 0.9f);
  EXPECT_EQ(race.points[0].lat_rate, 0.0f);
  const std::size_t n = race.points.size();
  const double step = 4.0 / static_cast<double>(n - 2);
  auto first_of = [&](int j) {
    std::size_t k = 0;
    while (static_cast<int>(k * step) < j) ++k;
    return k;
  };
  const std::size_t k1 = first_of(1);
  const std::size_t k2 = first_of(2);
  EXPECT_FLOAT_EQ(race.points[k1].speed, static_cast<float>(80000 / (55000 - 60000 * 0.16666666666666669)));
  EXPECT_FLOAT_EQ(race.points[k2].speed, static_cast<float>(200000 / 40000.0));
  // At k1 (about 666 m, in the first left-hand corner) the line moves 0.9 m to the left,
  // the inside: the rate is kept as it is.
  const float rate = static_cast<float>((race.points[k1].dlat - race.points[k1 - 1].dlat) /
                                        (race.points[k1].speed * 100.0));
  EXPECT_FLOAT_EQ(race.points[k1].lat_rate, rate);
  // At the first point of source 2 it moves 0.9 m right, outwards in the corner or on a
  // straight: damped to -0.05 or quartered.
  const std::size_t k3 = k2;
  const float back = static_cast<float>((race.points[k3].dlat - race.points[k3 - 1].dlat) /
                                        (race.points[k3].speed * 100.0));
  EXPECT_TRUE(race.points[k3].lat_rate == back * -0.05f || race.points[k3].lat_rate == back * 0.25f)
      << race.points[k3].lat_rate;
  EXPECT_NE(race.points[k3].lat_rate, back);

  EXPECT_FLOAT_EQ(ReadBack(dest / "pit.lp").points[0].dlat, 1.0f);
  EXPECT_FLOAT_EQ(ReadBack(dest / "pass1.lp").points[0].speed,
                  static_cast<float>(10000 / 55000.0) - 0.2f);
  EXPECT_FLOAT_EQ(ReadBack(dest / "maxrace.lp").points[0].dlat, 0.25f);
  EXPECT_FLOAT_EQ(ReadBack(dest / "minrace.lp").points[0].dlat, 1.75f);
  EXPECT_FALSE(FileExists(dest / "pass2.lp"));  // no source: skipped
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
    SCOPED_TRACE(name);
    Written out = ReadBack(dest / name);
    ASSERT_FALSE(out.points.empty());
    for (const LinePoint& p : out.points) {
      EXPECT_TRUE(std::isfinite(p.lat_rate));
      EXPECT_TRUE(std::isfinite(p.speed));
    }
  }
  Written empty = ReadBack(dest / "Race.lp");
  EXPECT_EQ(empty.points.back().speed, 0.0f);
  EXPECT_EQ(empty.points.back().dlat, 0.0f);
  EXPECT_EQ(ReadBack(dest / "pit.lp").points.back().lat_rate, 0.0f);
}

void WriteGplLine(const fs::path& path, const std::vector<float>& speeds,
                  const std::vector<float>& dlats) {
  ByteWriter out;
  out.U32(kGplLineTag);
  out.U32(static_cast<std::uint32_t>(speeds.size()));
  for (std::size_t i = 0; i < speeds.size(); ++i) {
    out.F32(speeds[i]);
    out.F32(0);
    out.F32(dlats[i]);
    out.F32(0);
    out.U32(0);
  }
  ASSERT_TRUE(WriteFileBytes(path, out.bytes()));
}

TEST_F(RacingLinesTest, BrakingAndGroove) {
  const fs::path dest = Dest("gpl");
  // 20 points: steady 5, one hard drop of 2 between points 10 and 11, a gentle one of 0.2
  // between 15 and 16, acceleration elsewhere.
  std::vector<float> speeds(20);
  std::vector<float> dlats(20);
  for (int i = 0; i < 20; ++i) {
    speeds[i] = i <= 10 ? 5.0f + 0.01f * i : 3.0f + 0.01f * i;
    dlats[i] = static_cast<float>(i);
  }
  speeds[16] = speeds[15] - 0.2f;
  for (int i = 17; i < 20; ++i) speeds[i] = speeds[16] + 0.01f * (i - 16);
  WriteGplLine(dest / "race.lp", speeds, dlats);
  RacingLines lines;
  ASSERT_TRUE(lines.LoadLines(dest).ok());
  ASSERT_EQ(lines.race().size(), 20u);
  EXPECT_EQ(lines.point_count(), 20u);
  auto at = [](int k) { return static_cast<std::int32_t>(k * 59055.0 + 1); };
  EXPECT_EQ(lines.BrakingAt(at(9)), 1.0);   // window 9..11 holds the hard drop
  EXPECT_EQ(lines.BrakingAt(at(4)), 0.0);   // accelerating
  // The hardest drop is 5.10 -> 3.11.
  EXPECT_NEAR(lines.BrakingAt(at(14)), 0.2 / (0.25 * 1.99), 1e-4);
  EXPECT_EQ(lines.BrakingAt(at(0)), lines.BrakingAt(at(3)));  // k at least 3
  // Groove: the mean of three race points, halved without edge lines.
  EXPECT_NEAR(lines.GrooveDlatAt(at(5)), (4 + 5 + 6) * 0.5 * 0.33333334, 1e-5);
  // Near the lap end (k > count - 6) the points 0 to 2 are used.
  EXPECT_NEAR(lines.GrooveDlatAt(at(15)), (0 + 1 + 2) * 0.5 * 0.33333334, 1e-5);
  EXPECT_NEAR(lines.GrooveDlatAt(at(14)), (13 + 14 + 15) * 0.5 * 0.33333334, 1e-5);
  // With both edge lines, half their sum joins in; a short edge line counts as 0 beyond.
  WriteGplLine(dest / "maxrace.lp", {1, 1, 1, 1, 1, 1}, {2, 2, 2, 2, 2, 2});
  WriteGplLine(dest / "minrace.lp", speeds, std::vector<float>(20, 4));
  RacingLines both;
  ASSERT_TRUE(both.LoadLines(dest).ok());
  EXPECT_NEAR(both.GrooveDlatAt(at(5)), ((4 + 5 + 6) * 0.5 + (2 + 4 + 2 + 4 + 0 + 4) * 0.5) *
                                            0.33333334, 1e-4);
  RacingLines none;
  EXPECT_EQ(none.BrakingAt(0), 0.0);
  EXPECT_EQ(none.GrooveDlatAt(0), 0.0);
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
  ASSERT_EQ(loaded.race().size(), race.points.size());
  for (std::size_t i = 0; i < race.points.size(); ++i) {
    EXPECT_EQ(loaded.race()[i].dlat, race.points[i].dlat);
    EXPECT_EQ(loaded.race()[i].lat_rate, race.points[i].lat_rate);
  }
  EXPECT_EQ(loaded.maxrace().size(), race.points.size());

  // Without the track's archive the lines are still read; the status names what is missing.
  RacingLines no_track;
  EXPECT_TRUE(no_track.LoadLines(dest, "missing").IsNotFound());
  EXPECT_EQ(no_track.geometry(), nullptr);
  EXPECT_EQ(no_track.race().size(), race.points.size());
}

}  // namespace
}  // namespace velmora
