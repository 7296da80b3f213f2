#ifndef VELMORA_PIPELINE_TRACK_CONVERTER_H_
#define VELMORA_PIPELINE_TRACK_CONVERTER_H_

#include <filesystem>
#include <string>
#include <string_view>

#include "pipeline/conversion_workspace.h"
#include "pipeline/run_request.h"
#include "pipeline/source_games.h"
#include "platform/services.h"

namespace velmora {

// Runs one conversion of one track into GPL's installation. A front end makes one converter per
// conversion, calls Convert on it once and destroys it; the destruction deletes the loose files
// that went into the track archive (see ConversionWorkspace). The services must outlive it.
class TrackConverter {
 public:
  explicit TrackConverter(const Services& services);
  virtual ~TrackConverter();
  TrackConverter(const TrackConverter&) = delete;
  TrackConverter& operator=(const TrackConverter&) = delete;

  // Converts the requested track of `game`: CART/ICR2 tracks through the CART/ICR2 run, N2, N3
  // and NL tracks through the N-series run. False when the run stopped early, true when it ran
  // to its end. No exception leaves it: a failure that would throw is shown as a message and
  // stops the run.
  bool Convert(SourceGame game, const RunRequest& request);

  // The folder under GPL's "Tracks" that Convert writes for `source_track` of `game`: an HQ
  // variant's base track for CART/ICR2, the renamed N-series tracks' new names.
  static std::string GplTrackFolder(SourceGame game, const std::filesystem::path& src_dir,
                                    std::string_view source_track);

  ConversionWorkspace& workspace() { return workspace_; }
  const Services& services() const { return services_; }

 private:
  Services services_;
  ConversionWorkspace workspace_;
};

}  // namespace velmora

#endif  // VELMORA_PIPELINE_TRACK_CONVERTER_H_
