#ifndef VELMORA_CLI_BATCH_COMMAND_H_
#define VELMORA_CLI_BATCH_COMMAND_H_

#include <filesystem>
#include <string>

#include "pipeline/run_request.h"
#include "pipeline/source_games.h"

namespace velmora {

// `velmora convert --all`: what the command line gives the batch.
struct BatchRequest {
  const SourceGameInfo* game = nullptr;
  std::filesystem::path source;
  std::filesystem::path gpl;
  int jobs = 1;
  bool keep_skid_marks = false;
  bool sixteen_bit_sky = false;
  GeometryChoice geometry = GeometryChoice::kFromSettings;  // for these runs, never stored
  std::string track_file_control;  // how the user asks for the source game's own track file
  std::filesystem::path settings_file;
  std::filesystem::path resources_folder;
};

// Converts every track `list` shows, up to `jobs` at a time, prints the result table on stdout
// and returns the exit code: 0 when every conversion ran to its end, 1 otherwise (also when no
// track was found).
int RunBatchConversion(const BatchRequest& request);

// The number of conversions run at a time when --jobs is not given: one per processor.
int DefaultJobs();

}  // namespace velmora

#endif  // VELMORA_CLI_BATCH_COMMAND_H_
