#include "trackview/track_scene.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>

#include "platform/ascii.h"
#include "platform/byte_reader.h"
#include "track/racing_lines.h"
#include "track/track_geometry.h"
#include "trackview/track_folder.h"

namespace velmora {

namespace {

// Lines are drawn through points along each section: the ends of a straight, and a point every
// two degrees of an arc. A file with so many sections that this would pass the budget is
// sampled evenly along the lap instead, whatever the file says.
constexpr double kArcStepRadians = 0.035;
constexpr int kMaxArcSteps = 180;
constexpr int kDirectionBuckets = 256;
// How far from the lap's first metre a flat quad of the track object may reach and still be
// taken for the start line band (metres along the track).
constexpr double kStartBandSlack = 0.25;
// A wall strip of the newest layout (type above 2000).
constexpr std::int32_t kWallStripType = 2000;

GroundPoint Metres(const Point3& p) { return {p.x / kUnitsPerMetre, p.y / kUnitsPerMetre}; }

std::int32_t ToUnits(double value) {
  return static_cast<std::int32_t>(std::clamp(value, -2147483647.0, 2147483647.0));
}

// Points of line 0 along the lap, with their distances; the section cuts are found on it.
struct Sample {
  std::int64_t dlong = 0;
  GroundPoint at;
};

class SceneBuilder {
 public:
  SceneBuilder(const TrackFolder& folder, const TrackGeometry& track, const SceneBudget& budget,
               TrackScene& scene)
      : folder_(folder), track_(track), budget_(budget), scene_(scene) {}

  void Build() {
    ChooseSamples();
    AddReferenceLines();
    AddWalls();
    AddRacingLine("pit.lp", Layer::kPitLine);
    AddRacingLine("race.lp", Layer::kRaceLine);
    AddTrackObject();
  }

 private:
  // Pieces a section is drawn in: one for a straight, one per two degrees of an arc.
  static int SectionSteps(const SectionRecord& record) {
    if (record.kind() != kArc) return 1;
    const double turn = std::fabs(TurnRadians(record.turn()));
    return static_cast<int>(
        std::clamp(std::ceil(turn / kArcStepRadians), 1.0, static_cast<double>(kMaxArcSteps)));
  }

  void ChooseSamples() {
    std::size_t total = 1;
    const std::size_t most = std::max<std::size_t>(budget_.samples_per_line, 1);
    for (int s = 0; s < track_.section_count() && total <= most; ++s) {
      total += SectionSteps(track_.section(s));
    }
    const double lap = track_.track_length();
    samples_.reserve(std::min(total, most + 1));
    if (total > most) {
      for (std::size_t i = 0; i <= most; ++i) {
        samples_.push_back(static_cast<std::int64_t>(lap * i / most));
      }
      return;
    }
    for (int s = 0; s < track_.section_count(); ++s) {
      const SectionRecord& record = track_.section(s);
      const int steps = SectionSteps(record);
      for (int i = 0; i < steps; ++i) {
        samples_.push_back(record.start() + static_cast<std::int64_t>(record.length()) * i / steps);
      }
    }
    samples_.push_back(static_cast<std::int64_t>(lap));
  }

  // Every line is drawn through the same distances along the lap, so each distance is placed
  // on the track once for all of them.
  void AddReferenceLines() {
    std::vector<ScenePath> paths(track_.line_count(), ScenePath{Layer::kReferenceLine, {}});
    for (ScenePath& path : paths) path.points.reserve(samples_.size());
    line0_.reserve(samples_.size());
    for (std::int64_t sample : samples_) {
      const std::int32_t dlong = ToUnits(static_cast<double>(sample));
      const TrackGeometry::Place place = track_.PlaceAt(dlong);
      for (int line = 0; line < track_.line_count(); ++line) {
        paths[line].points.push_back(
            Metres(track_.PlanPointInSection(place.section, place.along, track_.lines()[line])));
      }
      if (!paths.empty()) line0_.push_back({dlong, paths.front().points.back()});
    }
    for (ScenePath& path : paths) scene_.Add(std::move(path));
  }

  // One wall from `from` to `to` dlat over one section, drawn in the section's pieces.
  void AddWallPiece(const SectionRecord& record, std::int32_t from, std::int32_t to) {
    const double length = record.length();
    const int steps = SectionSteps(record);
    if (wall_points_ + steps + 1 > budget_.wall_points) return;
    wall_points_ += steps + 1;
    ScenePath path{Layer::kWall, {}};
    path.points.reserve(steps + 1);
    for (int i = 0; i <= steps; ++i) {
      const double t = static_cast<double>(i) / steps;
      const double dlong = static_cast<double>(record.start()) + t * length;
      path.points.push_back(
          Metres(track_.PlanPositionAt(ToUnits(dlong), ToUnits((1 - t) * from + t * to))));
    }
    scene_.Add(std::move(path));
  }

  void AddWalls() {
    for (int s = 0; s < track_.section_count(); ++s) {
      const SectionRecord& record = track_.section(s);
      for (const WallEntry& wall : track_.walls(s)) AddWallPiece(record, wall[1], wall[2]);
      for (const Strip& strip : track_.strips(s)) {
        if (strip[2] > kWallStripType) AddWallPiece(record, strip[0], strip[1]);
      }
    }
  }

  void AddRacingLine(const char* name, Layer layer) {
    std::optional<FolderBytes> bytes = folder_.Read(name);
    if (!bytes) {
      scene_.notes.push_back(std::string("no ") + name);
      return;
    }
    ByteReader reader(bytes->span());
    reader.Skip(4);
    const std::uint32_t count = reader.U32();
    const std::size_t present = std::min<std::uint64_t>(count, reader.remaining() / kGplPointSize);
    ScenePath path{layer, {}};
    path.points.reserve(present);
    for (std::size_t k = 0; k < present; ++k) {
      reader.Skip(8);
      const float dlat = reader.F32();
      reader.Skip(8);
      double dlong = static_cast<double>(k) * kPointSpacing;
      if (dlong >= track_.track_length()) dlong -= track_.track_length();
      if (!std::isfinite(dlat) || dlong >= track_.track_length()) continue;
      path.points.push_back(
          Metres(track_.PlanPositionAt(ToUnits(dlong), ToUnits(dlat * kUnitsPerMetre))));
    }
    if (!path.points.empty()) scene_.Add(std::move(path));
  }

  void AddTrackObject();
  void AddCuts(const std::vector<CutPlane>& cuts);
  void AddStartLine(const std::vector<std::array<GroundPoint, 4>>& quads);

  const TrackFolder& folder_;
  const TrackGeometry& track_;
  const SceneBudget& budget_;
  TrackScene& scene_;
  std::vector<std::int64_t> samples_;  // dlong of the points every line is drawn through
  std::vector<Sample> line0_;
  std::size_t wall_points_ = 0;
};

void SceneBuilder::AddTrackObject() {
  std::optional<TrackObjectView> view;
  auto try_file = [&](const std::string& name) {
    const bool object = name.size() > 4 && EqualsIgnoreCase(name.substr(name.size() - 4), ".3do");
    if (view || !object) return;
    std::optional<FolderBytes> bytes = folder_.Read(name);
    if (bytes) view = ReadTrackObject(bytes->span());
  };
  for (const LooseFile& file : folder_.loose_files()) try_file(file.name);
  for (const PackEntry& entry : folder_.pack_entries()) try_file(entry.name);
  if (!view) {
    scene_.notes.push_back("no track object: no section cuts, trackside objects or strips");
    return;
  }
  AddCuts(view->cuts);
  for (const PlacedObject& object : view->placed) {
    scene_.Add(SceneDot{LayerOfObject(object.name), object.at});
  }
  for (std::vector<GroundPoint>& piece : view->grooves) {
    scene_.Add(ScenePath{Layer::kGroove, std::move(piece), true});
  }
  AddStartLine(view->flat_quads);
}

double DirectionBucket(double nx, double ny) {
  const double angle = std::atan2(ny, nx) + std::numbers::pi;  // 0 to 2 pi
  return std::floor(angle / (2 * std::numbers::pi) * kDirectionBuckets);
}

// Each cut plane stands across the track where line 0 meets it heading along its normal. The
// crossing is looked up among the line's segments of about that heading, so the search stays
// short however many sections there are.
void SceneBuilder::AddCuts(const std::vector<CutPlane>& cuts) {
  if (line0_.size() < 2) return;
  std::vector<std::vector<std::size_t>> buckets(kDirectionBuckets);
  for (std::size_t i = 0; i + 1 < line0_.size(); ++i) {
    const double b =
        DirectionBucket(line0_[i + 1].at.x - line0_[i].at.x, line0_[i + 1].at.y - line0_[i].at.y);
    buckets[static_cast<std::size_t>(b) % kDirectionBuckets].push_back(i);
  }
  for (const CutPlane& cut : cuts) {
    const double length = std::hypot(cut.nx, cut.ny);
    if (!(length > 0.5)) continue;  // not a plane standing on the ground
    const CutPlane n{cut.nx / length, cut.ny / length, cut.d / length};
    auto side = [&](const GroundPoint& p) { return n.nx * p.x + n.ny * p.y + n.d; };
    const auto centre = static_cast<int>(DirectionBucket(n.nx, n.ny));
    std::optional<double> best_dlong;
    double best = std::numeric_limits<double>::max();
    for (int db = -1; db <= 1; ++db) {
      for (std::size_t i : buckets[(centre + db + kDirectionBuckets) % kDirectionBuckets]) {
        const double f0 = side(line0_[i].at);
        const double f1 = side(line0_[i + 1].at);
        if (f0 > 0 || f1 < 0 || f1 - f0 <= 0) continue;
        const double score = std::fabs(f0) + std::fabs(f1);
        if (score >= best) continue;
        best = score;
        best_dlong = line0_[i].dlong + (line0_[i + 1].dlong - line0_[i].dlong) * (-f0 / (f1 - f0));
      }
    }
    if (!best_dlong) continue;
    ScenePath path{Layer::kSectionCut, {}};
    for (std::int32_t dlat : {track_.lines().front(), track_.lines().back()}) {
      const GroundPoint q = Metres(track_.PlanPositionAt(ToUnits(*best_dlong), dlat));
      const double off = side(q);  // onto the plane itself
      path.points.push_back({q.x - off * n.nx, q.y - off * n.ny});
    }
    scene_.Add(std::move(path));
  }
}

// The start line band lies in the lap's first metre: flat quads of the track object whose
// corners all lie between the planes across the track at dlong 0 and 1 metre.
void SceneBuilder::AddStartLine(const std::vector<std::array<GroundPoint, 4>>& quads) {
  const TrackDirection start = track_.DirectionAt(0);
  for (const std::array<GroundPoint, 4>& quad : quads) {
    bool inside = true;
    for (const GroundPoint& p : quad) {
      const double along = start.cos * p.x + start.sin * p.y + start.plane_offset;
      inside = inside && along >= -kStartBandSlack && along <= 1 + kStartBandSlack;
    }
    if (inside) scene_.Add(ScenePath{Layer::kStartLine, {quad.begin(), quad.end()}, true});
  }
}

}  // namespace

void TrackScene::Add(ScenePath path) {
  ++counts[static_cast<int>(path.layer)];
  paths.push_back(std::move(path));
}

void TrackScene::Add(SceneDot dot) {
  ++counts[static_cast<int>(dot.layer)];
  dots.push_back(dot);
}

Layer LayerOfObject(std::string_view name) {
  if (EqualsIgnoreCase(name, "flagger")) return Layer::kFlagger;
  if (EqualsIgnoreCase(name, "starter")) return Layer::kStarter;
  if (EqualsIgnoreCase(name, "_tire")) return Layer::kTyre;
  if (EqualsIgnoreCase(name, "_cone")) return Layer::kCone;
  if (EqualsIgnoreCase(name, "_hay")) return Layer::kHay;
  return Layer::kOtherObject;
}

Result<TrackScene> BuildTrackScene(const TrackFolder& folder, const SceneBudget& budget) {
  return BuildTrackScene(folder, folder.LoadTrack(), budget);
}

Result<TrackScene> BuildTrackScene(const TrackFolder& folder, const FolderTrack& track,
                                   const SceneBudget& budget) {
  if (track.status.IsNotFound()) return track.status;
  if (!track.status.ok()) {
    return Status::Corruption("the track file " + track.name +
                              " cannot be read: " + track.status.message());
  }
  TrackScene scene;
  scene.track = folder.name();
  scene.lap_metres = track.geometry.track_length() / kUnitsPerMetre;
  scene.sections = track.geometry.section_count();
  SceneBuilder(folder, track.geometry, budget, scene).Build();
  return scene;
}

}  // namespace velmora
