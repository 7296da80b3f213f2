#ifndef VELMORA_PIPELINE_TRACK_CONVERTER_H_
#define VELMORA_PIPELINE_TRACK_CONVERTER_H_

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "pipeline/conversion_workspace.h"
#include "platform/services.h"

namespace velmora {

class ProgressSink;

// Runs one conversion of one track into GPL's installation. A front end makes one converter per
// conversion, calls one pipeline on it and destroys it; the destruction deletes the loose files
// that went into the track archive (see ConversionWorkspace). The services must outlive it.
//
// Both pipelines return false when they stopped early and true when they ran to their end.
// No exception leaves them: a failure that would throw is shown as a message and stops the run.
class TrackConverter {
 public:
  explicit TrackConverter(const Services& services);
  virtual ~TrackConverter();
  TrackConverter(const TrackConverter&) = delete;
  TrackConverter& operator=(const TrackConverter&) = delete;

  // A CART/ICR2 track. `source_track` is the track's folder name under src_dir/tracks.
  bool ConvertCart(const std::filesystem::path& src_dir, const std::filesystem::path& gpl_dir,
                   std::string_view source_track, bool keep_skid_marks, ProgressSink* progress);

  // An N2, N3 or NL track; `sixteen_bit_sky` asks for 16-bit sky and horizon textures.
  bool ConvertNSeries(const std::filesystem::path& src_dir, const std::filesystem::path& gpl_dir,
                      std::string_view source_track, bool keep_skid_marks, bool sixteen_bit_sky,
                      ProgressSink* progress);

  // Writes the track's menu page images, with its name printed on them, into the GPL track
  // folder and lists them for packing.
  void MakePageImages(const std::filesystem::path& gpl_track_folder, std::string_view gpl_track);

  // Enters the track as an event into one season file of GPL's "seasons" folder.
  void AddSeasonEvent(const std::filesystem::path& gpl_dir, std::string_view gpl_track,
                      std::int64_t track_length, std::string_view season_file);

  ConversionWorkspace& workspace() { return workspace_; }
  const Services& services() const { return services_; }

 private:
  Services services_;
  ConversionWorkspace workspace_;
};

}  // namespace velmora

#endif  // VELMORA_PIPELINE_TRACK_CONVERTER_H_
