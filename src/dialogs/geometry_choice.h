#ifndef VELMORA_DIALOGS_GEOMETRY_CHOICE_H_
#define VELMORA_DIALOGS_GEOMETRY_CHOICE_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline/run_request.h"

namespace velmora {

// The conversion dialogs' choice of where the GPL track file comes from, over the option
// "N2N4TrkConvert". The program carries no geometry templates, so the choices offered are
// automatic (the key absent: a template from the resources folder when one is found, else the
// source game's own track file) and always the track's own file (1). A value typed into the
// settings file that is neither (0, or any other) is offered too, as it stands, so the dialog
// never shows a choice the runs do not make.
struct GeometryChoiceEntry {
  std::string text;
  std::optional<int> value;  // the option's value; nothing for automatic
};

inline constexpr std::string_view kGeometryChoiceLabel = "Track &geometry:";
inline constexpr std::string_view kGeometryAutomaticText =
    "Automatic: a template if one is found, else the track's own file";
inline constexpr std::string_view kGeometryTrackFileText = "Always the track's own file";
// Named in the hint after a run that stopped for want of a template.
inline constexpr std::string_view kGeometryChoiceControl =
    "choose \"Always the track's own file\" under Track geometry";

// The entries for the value the settings hold (nothing: automatic), automatic first.
std::vector<GeometryChoiceEntry> GeometryChoiceEntries(std::optional<int> stored);
// The entry that shows `stored`.
std::size_t GeometryChoiceIndex(const std::vector<GeometryChoiceEntry>& entries,
                                std::optional<int> stored);
// What a run is asked for when the user has `value` chosen.
GeometryChoice GeometryChoiceOf(std::optional<int> value);

}  // namespace velmora

#endif  // VELMORA_DIALOGS_GEOMETRY_CHOICE_H_
