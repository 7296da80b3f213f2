#ifndef VELMORA_TRACKVIEW_TRACK_PICTURE_H_
#define VELMORA_TRACKVIEW_TRACK_PICTURE_H_

#include <filesystem>

#include "trackview/canvas.h"
#include "trackview/track_scene.h"
#include "platform/status.h"

namespace velmora {

inline constexpr int kPictureWidth = 1600;
inline constexpr int kPictureHeight = 1200;
// The legend's column on the right; the track is fitted into the rest.
inline constexpr int kLegendWidth = 300;
inline constexpr int kPictureMargin = 40;

// The track seen from above, north up, scaled to fit the picture beside a legend, with a
// scale bar in metres.
Canvas DrawTrackScene(const TrackScene& scene);

// `velmora show`: the picture of the GPL track folder `folder` as a PNG file at `out`. Fails
// with a message for the user when the folder is not a GPL track or the file cannot be written.
Status ShowTrack(const std::filesystem::path& folder, const std::filesystem::path& out);
// The same of a folder already opened, its track file already loaded (TrackFolder::LoadTrack).
Status ShowTrack(const TrackFolder& folder, const FolderTrack& track,
                 const std::filesystem::path& out);

}  // namespace velmora

#endif  // VELMORA_TRACKVIEW_TRACK_PICTURE_H_
