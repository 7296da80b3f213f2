#ifndef VELMORA_TRACKVIEW_TRACK_SCENE_H_
#define VELMORA_TRACKVIEW_TRACK_SCENE_H_

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "trackview/track_object_view.h"
#include "platform/status.h"

namespace velmora {

class TrackFolder;
struct FolderTrack;

// What a picture of a track shows, kept apart from the pixels: everything in metres on the
// ground, x east and y north.
enum class Layer {
  kReferenceLine,
  kWall,
  kSectionCut,
  kStartLine,
  kGroove,
  kPitLine,
  kRaceLine,
  kFlagger,
  kStarter,
  kTyre,
  kCone,
  kHay,
  kOtherObject,
  kCount,
};

struct ScenePath {
  Layer layer = Layer::kReferenceLine;
  std::vector<GroundPoint> points;
  bool closed = false;  // a strip piece: its last corner joins its first
};

struct SceneDot {
  Layer layer = Layer::kOtherObject;
  GroundPoint at;
};

struct TrackScene {
  std::string track;
  double lap_metres = 0;
  int sections = 0;
  std::vector<ScenePath> paths;
  std::vector<SceneDot> dots;
  std::array<int, static_cast<int>(Layer::kCount)> counts{};  // drawn items per layer
  // What could not be drawn, for the legend ("no track object").
  std::vector<std::string> notes;

  void Add(ScenePath path);
  void Add(SceneDot dot);
  int count(Layer layer) const { return counts[static_cast<int>(layer)]; }
};

// How many points the scene draws at most: each reference line, when sampled section by
// section, would pass `samples_per_line`, is sampled evenly along the lap at that many points
// instead; walls stop at `wall_points` points in all.
struct SceneBudget {
  std::size_t samples_per_line = 20000;
  std::size_t wall_points = 200000;
};

// The scene of a GPL track folder: the track file's reference lines and walls, the race and
// pit lines, and, from the track object, its section cuts, placed objects, groove pieces and
// start line band. Fails when the folder has no readable track file.
Result<TrackScene> BuildTrackScene(const TrackFolder& folder, const SceneBudget& budget = {});
// The same with the folder's track file already loaded (TrackFolder::LoadTrack).
Result<TrackScene> BuildTrackScene(const TrackFolder& folder, const FolderTrack& track,
                                   const SceneBudget& budget = {});

// The kind of dot an object placed by the track object is drawn as, by its file name.
Layer LayerOfObject(std::string_view name);

}  // namespace velmora

#endif  // VELMORA_TRACKVIEW_TRACK_SCENE_H_
