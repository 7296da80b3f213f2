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
#include "pipeline/conversion_run.h"
#include "pipeline/track_converter.h"
#include "pipeline/track_name_table.h"
#include "platform/folder_lock.h"
#include "platform/resource_store.h"
#include "platform/settings.h"
#include "resources/embedded_files.h"

namespace velmora {

namespace {

// The GPL track folder a conversion of `folder` writes, as the pipelines name it.
std::string GplTrackOf(const BatchRequest& request, const std::string& folder) {
  return request.game->uses_cart_pipeline
             ? BaseFolderOf(folder)
             : ConversionRun::NSeriesGplTrack(request.source, folder);
}

// One track's conversion, on a worker thread. Each run gets its own settings and resource
// store: both keep state as they are read, so sharing them would race.
bool ConvertTrack(const BatchRequest& request, FolderLock& season_lock, const std::string& folder,
                  MessageSink& messages, ProgressSink& progress) {
  Settings settings(request.settings_file, Settings::HomeFolder());
  if (request.convert_track_file) {
    settings.Override(kOptionsSection, kTrackFileConversionKey, "1");
  }
  ResourceStore resources(EmbeddedFiles(), request.resources_folder);
  Services services{messages, settings, resources};
  (void)season_lock;
  TrackConverter converter(services);
  return request.game->uses_cart_pipeline
             ? converter.ConvertCart(request.source, request.gpl, folder, request.keep_skid_marks,
                                     &progress)
             : converter.ConvertNSeries(request.source, request.gpl, folder,
                                        request.keep_skid_marks, request.sixteen_bit_sky,
                                        &progress);
}

}  // namespace

int DefaultJobs() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

int RunBatchConversion(const BatchRequest& request) {
  std::vector<BatchTrack> tracks;
  for (const InstalledTrack& track : FindInstalledTracks(*request.game, request.source)) {
    tracks.push_back({track.folder, GplTrackOf(request, track.folder)});
  }
  if (tracks.empty()) {
    std::fprintf(stderr, "velmora: %s no track found under %s\n",
                 std::string(request.game->hint_text).c_str(), request.source.c_str());
    return kExitStopped;
  }
  FolderLock season_lock;
  BatchTerminal terminal(stderr, tracks, isatty(fileno(stderr)) != 0);
  const std::vector<BatchTrackResult> results = RunBatch(
      tracks, request.jobs,
      [&](std::size_t i, MessageSink& messages, ProgressSink& progress) {
        return ConvertTrack(request, season_lock, tracks[i].folder, messages, progress);
      },
      terminal);
  terminal.Finish();
  std::fputs(FormatBatchTable(tracks, results).c_str(), stdout);
  std::fflush(stdout);
  const bool all_finished = std::all_of(results.begin(), results.end(),
                                        [](const BatchTrackResult& r) { return r.finished; });
  return all_finished ? kExitFinished : kExitStopped;
}

}  // namespace velmora
