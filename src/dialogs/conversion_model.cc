#include "dialogs/conversion_model.h"

#include <algorithm>
#include <utility>

#include "dialogs/folder_listing.h"
#include "pipeline/run_request.h"
#include "pipeline/track_converter.h"
#include "platform/message_sink.h"
#include "platform/path_text.h"
#include "platform/settings.h"

namespace velmora {

namespace {

constexpr std::string_view kAddOnSuffix = " (add-on)";

bool DisplayOrder(const ConversionModel::Track& a, const ConversionModel::Track& b) {
  return ListsBefore(a.text, b.text);
}

}  // namespace

ConversionModel::ConversionModel(SourceGame game, const Services& services)
    : game_(game),
      services_(services),
      source_dir_(services.settings.Folder(GameInfo(game).settings_key)),
      gpl_dir_(services.settings.Folder(kGplPathKey)),
      sixteen_bit_(has_sixteen_bit() && services.settings.HqSky() != 0),
      geometry_(services.settings.TrackFileConversion()),
      geometry_entries_(GeometryChoiceEntries(geometry_)) {
  Refresh();
}

std::string ConversionModel::source_dir_text() const { return DisplayPath(source_dir_); }
std::string ConversionModel::gpl_dir_text() const { return DisplayPath(gpl_dir_); }

void ConversionModel::Refresh() {
  const std::vector<InstalledTrack> found =
      FindInstalledTracks(GameInfo(game_), PathFromUtf8(source_dir_));
  tracks_.clear();
  for (const InstalledTrack& track : found) {
    if (!track.add_on) tracks_.push_back({track.display_name, "", track.source_track, false});
  }
  std::sort(tracks_.begin(), tracks_.end(), DisplayOrder);
  // Add-on tracks follow the game's own, in the order found, set apart by their mark.
  for (const InstalledTrack& track : found) {
    if (!track.add_on) continue;
    tracks_.push_back({track.display_name + std::string(kAddOnSuffix),
                       "An add-on track in the folder " + track.folder, track.source_track, true});
  }
  selection_.reset();
  if (!found.empty()) services_.settings.SetFolder(GameInfo(game_).settings_key, source_dir_);
}

void ConversionModel::Select(std::optional<std::size_t> index) {
  if (running_) return;
  selection_ = index && *index < tracks_.size() ? index : std::nullopt;
}

std::size_t ConversionModel::geometry_index() const {
  return GeometryChoiceIndex(geometry_entries_, geometry_);
}

void ConversionModel::ChooseGeometry(std::size_t index) {
  if (index >= geometry_entries_.size()) return;
  const std::optional<int> chosen = geometry_entries_[index].value;
  if (chosen == geometry_) return;
  geometry_ = chosen;
  services_.settings.SetTrackFileConversion(chosen);
}

void ConversionModel::SetSourceDir(std::string folder) {
  source_dir_ = std::move(folder);
  Refresh();
}

void ConversionModel::SetGplDir(std::string folder) {
  gpl_dir_ = std::move(folder);
  Refresh();
}

void ConversionModel::Notify() {
  if (observer_) observer_();
}

void ConversionModel::Convert(ProgressSink* progress) {
  if (!BeginConvert()) return;
  RunConversion(progress);
  EndConvert();
}

bool ConversionModel::BeginConvert() {
  if (running_) return false;
  if (has_sixteen_bit()) services_.settings.SetHqSky(sixteen_bit_ ? 1 : 0);
  if (!selection_) return false;
  running_ = true;
  Notify();
  return true;
}

void ConversionModel::RunConversion(ProgressSink* progress) {
  if (!running_ || !selection_) return;
  // The converter lives until the finished message has been read: destroying it deletes the
  // loose files that went into the track archive.
  TrackConverter converter(services_);
  const RunRequest request{.src_dir = PathFromUtf8(source_dir_),
                           .gpl_dir = PathFromUtf8(gpl_dir_),
                           .source_track = tracks_[*selection_].source_track,
                           .keep_skid_marks = keep_skid_marks_,
                           .sixteen_bit_sky = has_sixteen_bit() && sixteen_bit_,
                           .progress = progress,
                           .geometry = GeometryChoiceOf(geometry_),
                           .track_file_control = std::string(kGeometryChoiceControl)};
  static_cast<void>(converter.Convert(game_, request));  // see the header
  services_.settings.SetFolder(kGplPathKey, gpl_dir_);
  services_.messages.Show("Conversion Finished");
}

void ConversionModel::EndConvert() {
  if (!running_) return;
  running_ = false;
  Notify();
}

}  // namespace velmora
