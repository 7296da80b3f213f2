#ifndef VELMORA_PIPELINE_PATCH_STAGE_H_
#define VELMORA_PIPELINE_PATCH_STAGE_H_

#include <filesystem>

namespace velmora {

class Settings;

// Where a conversion looks for patch files: the setting "Patches" of "Directories", else the
// folder of the program itself.
std::filesystem::path PatchFolder(const Settings& settings);

}  // namespace velmora

#endif  // VELMORA_PIPELINE_PATCH_STAGE_H_
