#include "samples/track_object_builder.h"

#include <cmath>
#include <functional>

#include "samples/object_builders.h"

namespace velmora::samples {

namespace {

constexpr double kMetre = 19685.0;
constexpr double kDividerSpacing = 10.0;  // metres between dividers
constexpr std::int32_t kNormalScale = 1000;

// Dividers of a lane in the order the source stores them: the track object's writer reorders
// three (second, first, third) and four (third, first, second, fourth) into left-to-right order.
std::vector<int> SourceOrder(int count) {
  if (count == 3) return {1, 0, 2};
  if (count == 4) return {1, 2, 0, 3};
  std::vector<int> order;
  for (int i = 0; i < count; ++i) order.push_back(i);
  return order;
}

// A plane along the road through dlat `dlat` at `dlong`, facing right, as a source plane record:
// normal (a, b, 0) and a 64-bit distance. A 3DO3 record's sign rule needs it at or above zero
// or at or below -2^32 (the normal is scaled up until it is); an untagged record holds the
// signed value itself.
struct SourcePlane {
  std::int32_t a = 0, b = 0;
  std::int32_t hi = 0;
  std::uint32_t lo = 0;
  std::int64_t distance = 0;

  std::uint32_t UntaggedLow() const { return static_cast<std::uint32_t>(distance); }
  std::int32_t UntaggedHigh() const { return static_cast<std::int32_t>(distance >> 32); }
};
SourcePlane DividerPlane(const TrackGeometry& track, std::int32_t dlong, std::int32_t dlat) {
  const TrackDirection dir = track.DirectionAt(dlong);
  const Point3 p = track.PositionAt(dlong, dlat);
  for (std::int64_t scale = kNormalScale;; scale *= 2) {
    const auto a = static_cast<std::int32_t>(std::lround(dir.sin * static_cast<double>(scale)));
    const auto b = static_cast<std::int32_t>(std::lround(-dir.cos * static_cast<double>(scale)));
    const auto d = static_cast<std::int64_t>(-(a * p.x + b * p.y));
    if (d >= 0) {
      return {a, b, static_cast<std::int32_t>(d >> 32), static_cast<std::uint32_t>(d), d};
    }
    if (-d >= (std::int64_t{1} << 32) || scale > (1 << 20)) {
      const std::int64_t m = -d;
      return {a, b, -static_cast<std::int32_t>(m >> 32), static_cast<std::uint32_t>(m), d};
    }
  }
}

class Builder {
 public:
  Builder(const TrackObjectSpec& plan, const TrackGeometry& track, int format)
      : plan_(plan), track_(track), untagged_(format == 1) {}

  std::vector<std::uint8_t> Build() {
    std::vector<std::uint32_t> sections;
    const std::uint32_t length = track_.track_length();
    for (std::size_t s = 0; s < plan_.starts.size(); ++s) {
      const std::uint32_t start = plan_.starts[s];
      const std::uint32_t end = s + 1 < plan_.starts.size() ? plan_.starts[s + 1] : length;
      sections.push_back(Section(start, end));
    }
    if (untagged_) {
      u_.Group(sections);
      return u_.Build();
    }
    o_.Group(sections);
    return o_.Build();
  }

 private:
  std::uint32_t Vertex(std::int64_t dlong, double dlat_metres) {
    const Point3 p = track_.PositionAt(static_cast<std::int32_t>(dlong),
                                       static_cast<std::int32_t>(dlat_metres * kMetre));
    const auto x = static_cast<std::int32_t>(p.x), y = static_cast<std::int32_t>(p.y);
    const auto z = static_cast<std::int32_t>(p.z);
    return untagged_ ? u_.Vertex(x, y, z) : o_.Vertex(x, y, z);
  }
  // A flat quad over [d0, d1] along and [right, left] across (metres).
  std::uint32_t Quad(std::int64_t d0, std::int64_t d1, double left, double right) {
    const std::vector<std::uint32_t> v = {Vertex(d0, left), Vertex(d1, left), Vertex(d1, right),
                                          Vertex(d0, right)};
    return untagged_ ? u_.FlatPolygon(7, v) : o_.Polygon(0, 7, v);
  }
  std::uint32_t Group(const std::vector<std::uint32_t>& children) {
    return untagged_ ? u_.Group(children) : o_.Group(children);
  }
  std::uint32_t Divider(const SourcePlane& p, std::uint32_t first, std::uint32_t second,
                        std::uint32_t third) {
    if (untagged_) {
      return u_.Split(8, p.a, p.b, 0, p.UntaggedLow(), p.UntaggedHigh(), {first, third, second});
    }
    return o_.Split(10, p.a, p.b, 0, p.hi, p.lo, {first, second, third});
  }

  // Lane k's dividers (with their edges) and its content polygons.
  std::pair<std::vector<std::uint32_t>, std::vector<std::uint32_t>> Lane(int k, std::int64_t d0,
                                                            std::int64_t d1) {
    const int count = plan_.dividers[k];
    const double left = plan_.left_dlat_metres;
    auto dlat_of = [&](int i) { return left - kDividerSpacing * i; };
    const std::int64_t a = d0 + (d1 - d0) / 4, b = d1 - (d1 - d0) / 4;
    std::vector<std::uint32_t> dividers;
    for (int i : SourceOrder(count)) {
      const SourcePlane plane = DividerPlane(track_, static_cast<std::int32_t>((d0 + d1) / 2),
                                             static_cast<std::int32_t>(dlat_of(i) * kMetre));
      const std::uint32_t surface = Quad(a, b, dlat_of(i) - 0.5, dlat_of(i) - 1.5);
      std::uint32_t first = Quad(a, b, dlat_of(i) + 0.2, dlat_of(i) + 0.1);
      std::uint32_t third = Quad(a, b, dlat_of(i) - 0.1, dlat_of(i) - 0.2);
      if (plan_.edges && i == 0) {
        first = Group({Quad(a, b, left + 3, left + 2), Quad(a, b, left + 5, left + 4)});
      }
      if (plan_.edges && i == count - 1) {
        const double right = dlat_of(i);
        third = Group({Quad(a, b, right - 2, right - 3), Quad(a, b, right - 4, right - 5)});
      }
      dividers.push_back(Divider(plane, first, surface, third));
    }
    std::vector<std::uint32_t> contents;
    for (int i = 0; i + 1 < count; ++i) {
      const double mid = dlat_of(i) - kDividerSpacing / 2;
      for (int c = 0; c < plan_.contents; ++c) contents.push_back(Quad(a, b, mid + 0.5, mid - 0.5));
    }
    if (plan_.skid_marks) contents.push_back(Group({Quad(a, b, left - 1, left - 2)}));
    return {dividers, contents};
  }

  std::uint32_t Section(std::uint32_t start, std::uint32_t end) {
    const std::int64_t span = static_cast<std::int64_t>(end) - start;
    const std::array<std::uint32_t, 4> p = {
        start, static_cast<std::uint32_t>(start + span / 4),
        static_cast<std::uint32_t>(start + span / 2),
        static_cast<std::uint32_t>(start + 3 * span / 4)};
    const std::array<std::int64_t, 8> range = {p[0], p[1], p[1], p[2], p[2], p[3], p[3], end};
    std::vector<std::uint32_t> children;
    for (int k = 0; k < 7; ++k) {
      std::int64_t d0 = start, d1 = end;
      if (k < 4) std::tie(d0, d1) = std::pair{range[2 * k], range[2 * k + 1]};
      if (k == 4) d1 = p[2];
      if (k == 5) d0 = p[2];
      auto [dividers, contents] = Lane(k, d0, d1);
      if (untagged_) {
        // Child k of the section's group: the lane's dividers first, then its contents.
        std::vector<std::uint32_t> lane = {u_.Group(dividers)};
        lane.insert(lane.end(), contents.begin(), contents.end());
        children.push_back(u_.Group(lane));
      } else {
        // The anchor's first child: a group whose children from the second on are the contents.
        std::vector<std::uint32_t> held = {Quad(d0, d1, plan_.left_dlat_metres + 9,
                                                plan_.left_dlat_metres + 8)};
        held.insert(held.end(), contents.begin(), contents.end());
        std::vector<std::uint32_t> lane = {o_.Split(6, 0, 0, 1000, 0, 0, {o_.Group(held)})};
        lane.insert(lane.end(), dividers.begin(), dividers.end());
        children.push_back(o_.Group(lane));
      }
    }
    if (untagged_) {
      const std::uint32_t group = u_.Group(children);
      u_.SectionList(p[0], p[1], p[2], p[3]);
      return group;
    }
    children.push_back(o_.NumberList({p[0], p[1], p[2], p[3]}));
    return o_.Group(children);
  }

  const TrackObjectSpec& plan_;
  const TrackGeometry& track_;
  bool untagged_;
  Object3Builder o_;
  UntaggedBuilder u_;
};

}  // namespace

std::vector<std::uint8_t> BuildTrackObject(const TrackObjectSpec& plan, const TrackGeometry& track,
                                           int format) {
  return Builder(plan, track, format).Build();
}

std::vector<std::uint8_t> DemoTrackObject() {
  TrackGeometry track;
  // The sample circuit is built here and always loads.
  track.LoadBytes(BuildTrackFile(SampleCircuitSpec(), kSourceLayoutVersion), "kestrel.trk")
      .IgnoreError();
  TrackObjectSpec plan;
  plan.starts.clear();
  for (std::uint32_t s = 0; s < 8; ++s) plan.starts.push_back(track.track_length() / 8 * s);
  plan.dividers = {2, 2, 2, 2, 2, 2, 2};
  plan.edges = true;
  plan.left_dlat_metres = 5.0;
  return BuildTrackObject(plan, track, 1);
}

TrackSpec StraightTrackSpec(double metres) {
  TrackSpec plan;
  plan.lines = {0, 590550, 1181100};
  const std::vector<SurfaceEntry> surfaces = {{-100000, -100000, 35}, {0, 0, 50},
                                               {1181100, 1181100, 35}};
  const std::vector<WallEntry> walls = {{6, -200000, -200000, 0, 0},
                                        {4, 1300000, 1300000, 0, 0}};
  plan.sections.push_back(TrackSectionSpec{kStraight,
                                           static_cast<std::int32_t>(metres * kMetre), 0,
                                           surfaces, walls, {}});
  return plan;
}

TrackGeometry StraightTrack(double metres) {
  TrackGeometry track;
  // A straight built here always loads.
  track.LoadBytes(BuildTrackFile(StraightTrackSpec(metres), kSourceLayoutVersion), "straight.trk")
      .IgnoreError();
  return track;
}

TrackSpec CurvingTrackSpec() {
  TrackSpec plan = StraightTrackSpec(100);
  TrackSectionSpec arc = plan.sections.front();
  arc.kind = kArc;
  arc.turn_radians = 100.0 / kCurvingTrackRadiusMetres;
  arc.surfaces = {{-100000, -100000, 35}, {0, 0, 36}, {590550, 590550, 50},
                  {1181100, 1181100, 35}};
  plan.sections.assign(4, arc);
  return plan;
}

TrackGeometry CurvingTrack() {
  TrackGeometry track;
  // Built here, it always loads.
  track.LoadBytes(BuildTrackFile(CurvingTrackSpec(), kSourceLayoutVersion), "curving.trk")
      .IgnoreError();
  return track;
}

}  // namespace velmora::samples
