#ifndef VELMORA_PIPELINE_RUN_CONTEXT_H_
#define VELMORA_PIPELINE_RUN_CONTEXT_H_

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "image/texture_palette.h"
#include "pipeline/run_request.h"
#include "pipeline/source_files.h"
#include "platform/services.h"
#include "track/patch_set.h"
#include "track/racing_lines.h"
#include "track/track_archive.h"
#include "track/track_geometry.h"

namespace velmora {

class ConversionWorkspace;
class MessageSink;

// The state of one conversion run, handed to every stage. A stage is a function over this
// context (see the *_stages.h headers); a new stage that keeps state across the run adds one
// member here. The services, the workspace and the request belong to the caller and outlive
// the context; everything else is owned here and released in the reverse of member order when
// the run ends: mexico archive, palette, patch set, racing lines, T2, T1, source archive.
struct RunContext {
  RunContext(const Services& services, ConversionWorkspace& workspace, RunRequest request);
  RunContext(const RunContext&) = delete;
  RunContext& operator=(const RunContext&) = delete;

  MessageSink& messages() const { return services.messages; }
  // A file in the GPL track folder.
  std::filesystem::path GplTrackFile(std::string_view name) const;
  // One step of the progress bar, when there is one.
  void Step() const;
  // The track every stage after the geometry asks (T2); null before it is loaded.
  const TrackGeometry* track() const { return t2 ? &*t2 : nullptr; }

  const Services services;
  ConversionWorkspace& workspace;
  const RunRequest request;
  // The option "N2N4TrkConvert" for this run, read once: nothing when automatic.
  const std::optional<int> track_file_option;
  // The source game's own track file takes the template's place: the option at 1, or
  // automatic without a template. Decided when the template is placed.
  bool converts_track_file = false;

  std::string gpl_track;
  std::filesystem::path src_track_folder;
  // The folder the source archive was unpacked into (it holds no files: the members stay in
  // memory); empty when it could not be made.
  std::filesystem::path tmp_folder;

  TrackArchive source_archive;
  // The source archive's members, read from memory under tmp_folder's paths.
  SourceFiles source_files;
  // T1: the track file placed in the GPL track folder; T2: its GPL-layout copy in the
  // temporary folder, the track every later stage asks.
  std::optional<TrackGeometry> t1;
  std::optional<TrackGeometry> t2;
  std::optional<RacingLines> racing_lines;
  // GPL's lines as the track folder holds them when the objects are converted, read once for
  // every track object.
  std::optional<RacingLines> gpl_lines;
  std::optional<PatchSet> patch_set;
  TexturePalette palette;
  std::optional<TrackArchive> mexico_archive;
};

}  // namespace velmora

#endif  // VELMORA_PIPELINE_RUN_CONTEXT_H_
