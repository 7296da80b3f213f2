#ifndef VELMORA_PIPELINE_PAGE_STAGE_H_
#define VELMORA_PIPELINE_PAGE_STAGE_H_

#include <filesystem>
#include <string_view>

#include "platform/services.h"

namespace velmora {

class ConversionWorkspace;
class TextDrawer;

// The menu pages "page0.pbf", "page1.pbf" and "event.pbf" of a track, with its display name and
// event title drawn on the carried bitmaps and copied into the carried page images, written into
// `output_folder` and listed for packing in that order. A page whose bitmap is
// missing or unreadable is written as carried; a page image that is missing or unreadable is not
// written. Without a drawer the pages are written as carried.
void WritePageImages(ConversionWorkspace& workspace, const Services& services,
                     const std::filesystem::path& output_folder, std::string_view track_folder,
                     TextDrawer* drawer);

}  // namespace velmora

#endif  // VELMORA_PIPELINE_PAGE_STAGE_H_
