#include "trackview/track_picture.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "trackview/png_file.h"
#include "trackview/track_folder.h"

namespace velmora {

namespace {

constexpr Rgb kBackground{250, 250, 246};
constexpr Rgb kInk{20, 20, 20};
constexpr Rgb kPanel{236, 236, 230};
constexpr int kTextScale = 2;

struct LayerStyle {
  const char* label;
  Rgb colour;
  int thickness;  // lines; dots: radius
  bool dot;
};

// Drawing order is the order of Layer: road outline first, lines on top, objects last.
constexpr LayerStyle kStyles[] = {
    {"reference lines", {185, 185, 185}, 1, false},
    {"walls", {70, 70, 70}, 2, false},
    {"section cuts", {60, 110, 220}, 1, false},
    {"start line", {0, 0, 0}, 3, false},
    {"groove pieces", {150, 90, 30}, 1, false},
    {"pit line", {240, 140, 0}, 2, false},
    {"race line", {215, 25, 30}, 1, false},
    {"flaggers", {0, 150, 60}, 5, true},
    {"starter", {140, 0, 160}, 7, true},
    {"tyres", {20, 20, 20}, 3, true},
    {"cones", {255, 110, 0}, 3, true},
    {"hay bales", {200, 170, 40}, 4, true},
    {"other objects", {120, 120, 120}, 3, true},
};
static_assert(std::size(kStyles) == static_cast<std::size_t>(Layer::kCount));

const LayerStyle& StyleOf(Layer layer) { return kStyles[static_cast<int>(layer)]; }

// From metres on the ground to pixels: north up, the track's box centred in the drawing area.
struct View {
  double min_x = 0, max_y = 0, scale = 1, left = 0, top = 0;
  double X(double x) const { return left + (x - min_x) * scale; }
  double Y(double y) const { return top + (max_y - y) * scale; }
};

View FitView(const TrackScene& scene) {
  double min_x = std::numeric_limits<double>::max(), max_x = -min_x;
  double min_y = min_x, max_y = -min_x;
  auto take = [&](const GroundPoint& p) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
    min_x = std::min(min_x, p.x), max_x = std::max(max_x, p.x);
    min_y = std::min(min_y, p.y), max_y = std::max(max_y, p.y);
  };
  for (const ScenePath& path : scene.paths)
    std::for_each(path.points.begin(), path.points.end(), take);
  for (const SceneDot& dot : scene.dots) take(dot.at);
  if (min_x > max_x) min_x = max_x = min_y = max_y = 0;
  const double area_w = kPictureWidth - kLegendWidth - 2 * kPictureMargin;
  const double area_h = kPictureHeight - 2 * kPictureMargin;
  const double span_x = std::max(max_x - min_x, 1.0);
  const double span_y = std::max(max_y - min_y, 1.0);
  View view;
  view.scale = std::min(area_w / span_x, area_h / span_y);
  view.min_x = min_x;
  view.max_y = max_y;
  view.left = kPictureMargin + (area_w - (max_x - min_x) * view.scale) / 2;
  view.top = kPictureMargin + (area_h - (max_y - min_y) * view.scale) / 2;
  return view;
}

void DrawLayer(Canvas& canvas, const TrackScene& scene, const View& view, Layer layer) {
  const LayerStyle& style = StyleOf(layer);
  for (const ScenePath& path : scene.paths) {
    if (path.layer != layer || path.points.empty()) continue;
    for (std::size_t i = 0; i + 1 < path.points.size(); ++i) {
      const GroundPoint& a = path.points[i];
      const GroundPoint& b = path.points[i + 1];
      canvas.Line(view.X(a.x), view.Y(a.y), view.X(b.x), view.Y(b.y), style.colour,
                  style.thickness);
    }
    if (path.closed && path.points.size() > 2) {
      const GroundPoint& a = path.points.back();
      const GroundPoint& b = path.points.front();
      canvas.Line(view.X(a.x), view.Y(a.y), view.X(b.x), view.Y(b.y), style.colour,
                  style.thickness);
    }
  }
  for (const SceneDot& dot : scene.dots) {
    if (dot.layer == layer) {
      canvas.Disc(view.X(dot.at.x), view.Y(dot.at.y), style.thickness, style.colour);
    }
  }
}

// The longest round length (1, 2 or 5 times a power of ten metres) that fits `max_pixels`.
double ScaleBarMetres(double pixels_per_metre, double max_pixels) {
  double best = 1;
  for (double power = 0.01; power <= 1e7; power *= 10) {
    for (double factor : {1.0, 2.0, 5.0}) {
      if (power * factor * pixels_per_metre <= max_pixels) best = power * factor;
    }
  }
  return best;
}

std::string MetresText(double metres) {
  if (metres >= 1000) return std::to_string(static_cast<long long>(metres / 1000)) + " km";
  if (metres >= 1) return std::to_string(static_cast<long long>(metres)) + " m";
  return std::to_string(static_cast<long long>(std::lround(metres * 100))) + " cm";
}

void DrawScaleBar(Canvas& canvas, const View& view) {
  const double metres = ScaleBarMetres(view.scale, 300);
  const int length = static_cast<int>(std::lround(metres * view.scale));
  const int x = kPictureMargin;
  const int y = kPictureHeight - kPictureMargin / 2;
  canvas.FillRect(x, y - 3, length, 3, kInk);
  canvas.FillRect(x, y - 10, 2, 10, kInk);
  canvas.FillRect(x + length - 2, y - 10, 2, 10, kInk);
  canvas.Text(x + length + 8, y - 14, MetresText(metres), kInk, kTextScale);
}

void DrawNorthArrow(Canvas& canvas) {
  const int x = kPictureMargin;
  const int y = kPictureMargin / 2;
  canvas.Line(x + 6, y + 30, x + 6, y, kInk, 2);
  canvas.Line(x + 6, y, x, y + 10, kInk, 2);
  canvas.Line(x + 6, y, x + 12, y + 10, kInk, 2);
  canvas.Text(x + 20, y + 8, "N", kInk, kTextScale);
}

void DrawLegend(Canvas& canvas, const TrackScene& scene) {
  const int left = kPictureWidth - kLegendWidth;
  canvas.FillRect(left, 0, kLegendWidth, kPictureHeight, kPanel);
  int y = 24;
  canvas.Text(left + 16, y, scene.track, kInk, 3);
  y += 36;
  canvas.Text(left + 16, y, "lap " + std::to_string(std::lround(scene.lap_metres)) + " m", kInk,
              kTextScale);
  y += 22;
  canvas.Text(left + 16, y, std::to_string(scene.sections) + " sections", kInk, kTextScale);
  y += 40;
  for (int i = 0; i < static_cast<int>(Layer::kCount); ++i) {
    const LayerStyle& style = kStyles[i];
    if (style.dot) {
      canvas.Disc(left + 28, y + 7, style.thickness, style.colour);
    } else {
      canvas.Line(left + 16, y + 7, left + 40, y + 7, style.colour, std::max(style.thickness, 2));
    }
    const std::string label =
        std::string(style.label) + " (" + std::to_string(scene.counts[i]) + ")";
    canvas.Text(left + 52, y, label, kInk, kTextScale);
    y += 26;
  }
  y += 20;
  for (const std::string& note : scene.notes) {
    // Notes are wrapped at the panel's width, a word at a time.
    std::string line;
    const std::size_t per_line = (kLegendWidth - 32) / (6 * kTextScale);
    std::size_t start = 0;
    while (start < note.size()) {
      std::size_t end = std::min(note.size(), start + per_line);
      if (end < note.size()) {
        const std::size_t space = note.rfind(' ', end);
        if (space != std::string::npos && space > start) end = space;
      }
      canvas.Text(left + 16, y, note.substr(start, end - start), {150, 30, 30}, kTextScale);
      y += 20;
      start = end + (end < note.size() && note[end] == ' ' ? 1 : 0);
    }
    y += 6;
  }
}

}  // namespace

Canvas DrawTrackScene(const TrackScene& scene) {
  Canvas canvas(kPictureWidth, kPictureHeight, kBackground);
  const View view = FitView(scene);
  for (int layer = 0; layer < static_cast<int>(Layer::kCount); ++layer) {
    DrawLayer(canvas, scene, view, static_cast<Layer>(layer));
  }
  DrawLegend(canvas, scene);
  DrawScaleBar(canvas, view);
  DrawNorthArrow(canvas);
  return canvas;
}

Status ShowTrack(const std::filesystem::path& folder, const std::filesystem::path& out) {
  Result<TrackFolder> track = TrackFolder::Open(folder);
  if (!track.ok()) return track.status();
  return ShowTrack(*track, track->LoadTrack(), out);
}

Status ShowTrack(const TrackFolder& folder, const FolderTrack& track,
                 const std::filesystem::path& out) {
  Result<TrackScene> scene = BuildTrackScene(folder, track);
  if (!scene.ok()) return scene.status();
  return WritePng(DrawTrackScene(*scene), out);
}

}  // namespace velmora
