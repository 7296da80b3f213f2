#include "cli/batch_command.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "cli/batch_terminal.h"
#include "cli/cli_commands.h"
#include "pipeline/batch_conversion.h"
#include "pipeline/track_converter.h"
#include "pipeline/track_name_table.h"
#include "platform/folder_lock.h"
#include "platform/path_text.h"
#include "platform/resource_store.h"
#include "platform/settings.h"
#include "resources/embedded_files.h"

namespace velmora {

namespace {

// One track's conversion, on a worker thread. Each run gets its own settings and resource
// store: both keep state as they are read, so sharing them would race.
bool ConvertTrack(const BatchRequest& request, const std::string& folder, MessageSink& messages,
                  ProgressSink& progress, const SeasonTurn& season_turn) {
  Settings settings(request.settings_file, Settings::HomeFolder());
  ResourceStore resources(EmbeddedFiles(), request.resources_folder);
  Services services{messages, settings, resources};
  TrackConverter converter(services);
  return converter.Convert(request.game->game, {.src_dir = request.source,
                                                .gpl_dir = request.gpl,
                                                .source_track = folder,
                                                .keep_skid_marks = request.keep_skid_marks,
                                                .sixteen_bit_sky = request.sixteen_bit_sky,
                                                .progress = &progress,
                                                .geometry = request.geometry,
                                                .track_file_control = request.track_file_control,
                                                .season_turn = season_turn});
}

}  // namespace

int DefaultJobs() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

int RunBatchConversion(const BatchRequest& request) {
  std::vector<BatchTrack> tracks;
  // Each track is converted under the folder name the dialogs and `convert --track` take for
  // it, so the GPL folder is spelled the same either way.
  std::vector<std::string> source_tracks;
  for (const InstalledTrack& track : FindInstalledTracks(*request.game, request.source)) {
    source_tracks.push_back(track.source_track);
    tracks.push_back({track.folder, TrackConverter::GplTrackFolder(
                                        request.game->game, request.source, source_tracks.back())});
  }
  if (tracks.empty()) {
    std::fprintf(stderr, "velmora: %s no track found under %s\n",
                 std::string(request.game->hint_text).c_str(), PathToUtf8(request.source).c_str());
    return kExitStopped;
  }
  FolderLock season_lock;
  BatchTerminal terminal(stderr, tracks, isatty(fileno(stderr)) != 0);
  const std::vector<BatchTrackResult> results = RunBatch(
      tracks, request.jobs,
      [&](std::size_t i, MessageSink& messages, ProgressSink& progress, const SeasonTurn& turn) {
        return ConvertTrack(request, source_tracks[i], messages, progress, turn);
      },
      terminal, season_lock);
  terminal.Finish();
  std::fputs(FormatBatchTable(tracks, results).c_str(), stdout);
  std::fflush(stdout);
  const bool all_finished = std::all_of(results.begin(), results.end(),
                                        [](const BatchTrackResult& r) { return r.finished; });
  return all_finished ? kExitFinished : kExitStopped;
}

}  // namespace velmora
