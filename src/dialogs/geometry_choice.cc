#include "dialogs/geometry_choice.h"

namespace velmora {

std::vector<GeometryChoiceEntry> GeometryChoiceEntries(std::optional<int> stored) {
  std::vector<GeometryChoiceEntry> entries = {{std::string(kGeometryAutomaticText), std::nullopt},
                                              {std::string(kGeometryTrackFileText), 1}};
  if (stored && *stored == 0) {
    entries.push_back({"A template only, else stop (N2N4TrkConvert=0)", 0});
  } else if (stored && *stored != 1) {
    entries.push_back({"Without a template or the track's own file (N2N4TrkConvert=" +
                           std::to_string(*stored) + ")",
                       *stored});
  }
  return entries;
}

std::size_t GeometryChoiceIndex(const std::vector<GeometryChoiceEntry>& entries,
                                std::optional<int> stored) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].value == stored) return i;
  }
  return 0;
}

GeometryChoice GeometryChoiceOf(std::optional<int> value) {
  if (!value) return GeometryChoice::kAutomatic;
  if (*value == 0) return GeometryChoice::kTemplate;
  if (*value == 1) return GeometryChoice::kTrackFile;
  return GeometryChoice::kFromSettings;  // only the settings can hold any other value
}

}  // namespace velmora
