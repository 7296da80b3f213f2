#ifndef VELMORA_PIPELINE_FILE_STAGES_H_
#define VELMORA_PIPELINE_FILE_STAGES_H_

// The run's file stages: the output folder, the unpacked source track, the geometry template,
// the carried files and GPL's standard files. Each is a step of RunCart or RunNSeries.

#include <span>
#include <string>
#include <string_view>

#include "pipeline/run_context.h"

namespace velmora {

// The carried files in the order each run writes them, named by resource.
std::span<const std::string_view> CartCarriedOrder();
std::span<const std::string_view> NSeriesCarriedOrder();
// GPL's standard trackside files in the order each run copies them from the "mexico" track.
std::span<const std::string_view> CartMexicoOrder();
std::span<const std::string_view> NSeriesMexicoOrder();

// Names the GPL track and makes its folder; the output goes to the folder's spelling on disk.
void StartOutput(RunContext& run, std::string gpl_track);
// Unpacks the source track's archive into a temporary folder. A failure has shown its message
// and leaves tmp_folder empty; the stages after it find no files and go on.
void UnpackSource(RunContext& run);
// Sets the progress bar's range from the unpacked files.
void SetProgressRange(RunContext& run);
// Writes the geometry template "<gpl track>_N4T" as the GPL track file and decides whether the
// source game's own track file replaces it. False stops the run; whether a missing template
// stops it depends on the run (`cart`) and on N2N4TrkConvert (automatic never stops).
bool PlaceTemplate(RunContext& run, bool cart);
// Writes the carried files in `order` and lists them for packing; false (after a message) when
// one cannot be written.
bool ExtractCarriedFiles(RunContext& run, std::span<const std::string_view> order);
// Copies GPL's standard files in `order` out of its "mexico" track into the GPL track folder.
void CopyStandardFiles(RunContext& run, std::span<const std::string_view> order);
// Lists the standard files for packing, in the one order both runs use.
void PackStandardFiles(RunContext& run);

}  // namespace velmora

#endif  // VELMORA_PIPELINE_FILE_STAGES_H_
