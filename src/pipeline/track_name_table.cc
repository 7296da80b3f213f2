#include "pipeline/track_name_table.h"

#include <iterator>

#include "platform/text_encoding.h"

namespace velmora {
namespace {

// The order matters: lookups stop at the first match.
constexpr TrackNameRow kTrackNameTable[] = {
    {"a1ring", "", "A1-Ring", "Austrian", "Austrian"},
    {"atlanta", "", "Atlanta Speedway", "Georgia", "Georgia"},
    {"atlan70", "", "Atlanta Speedway", "Georgia 70", "Georgia 70"},
    {"austral", "", "Surfers Paradise", "Australian", "Australian"},
    {"bowman", "", "Bowman Gray Stadium", "Bowman", "Bowman"},
    {"bristol", "", "Bristol", "Tennessee", "Tennessee"},
    {"calif", "", "Fontana", "California", "CA"},
    {"clevland", "", "Cleveland", "Cleveland", "Cleveland"},
    {"clvlndhq", "clevland", "Cleveland HQ", "Cleveland", "Cleveland"},
    {"darlingt", "", "Darlington", "South Carolina", "SC"},
    {"daytona", "", "Daytona Speedway", "Daytona", "Daytona"},
    {"dethq", "detroit", "Detroit HQ", "Detroit", "Detroit"},
    {"detroit", "", "Detroit", "Detroit", "Detroit"},
    {"elkhart", "", "Road America", "Wisconsin", "Wisconsin"},
    {"elkhq", "elkhart", "Road America HQ", "Wisconsin", "Wisconsin"},
    {"gateway", "", "Gateway", "Illinois", "Illinois"},
    {"glen", "", "Watkins Glen", "New York State", "NY "},
    {"indy", "", "Indianapolis", "Indiana", "Indiana"},
    {"indyhq", "indy", "Indianapolis HQ", "Indiana", "Indiana"},
    {"heartlnd", "", "Topeka", "Kansas", "Kansas"},
    {"hickory", "", "Hickory", "North Carolina ", "NC "},
    {"hock", "", "Hockenheim", "Hockenheim", "Hockenheim"},
    {"homestd", "", "Homestead", "Florida ", "Florida "},
    {"laguna", "", "Laguna Seca", "Monterey", "Monterey"},
    {"lagunahq", "laguna", "Laguna Seca HQ", "Monterey", "Monterey"},
    {"longbch", "", "Long Beach", "Long Beach", "Long Beach"},
    {"lngbchhq", "longbch", "Long Beach HQ", "Long Beach", "Long Beach"},
    {"imola", "", "Imola", "San Marino", "San Marino"},
    {"ims", "", "Indianapolis Motor Speedway", "IMS", "IMS"},
    {"interl", "", "Interlagos", "Brazilian", "Brazilian"},
    {"mesa", "", "Mesa Marin", "Bakersfield", "Bakersfield"},
    {"michigan", "", "Michigan", "Michigan", "Michigan"},
    {"midohio", "", "Mid-Ohio", "Ohio", "Ohio"},
    {"midohhq", "midohio", "Mid-Ohio HQ", "Ohio", "Ohio"},
    {"milwkee", "", "Milwaukee Mile", "Milwaukee", "Milwaukee"},
    {"nchrltte", "", "Charlotte", "Lowes", "Lowes"},
    {"nrichmon", "", "Richmond", "Virginia", "Virginia"},
    {"nwenglnd", "", "Loudon", "New Hampshire", "NH "},
    {"loudonhq", "nwenglnd", "Loudon", "New Hampshire", "NH "},
    {"ontario", "", "Ontario Motor Speedway", "Ontario", "Ontario"},
    // Windows-1252: 0xD6 is the capital O with diaeresis.
    // clang-format off
    {"osring", "", "\xD6" "sterreichring", "Austrian", "Austrian"},
    // clang-format on
    {"phoenix", "", "Phoenix", "Arizona", "Arizona "},
    {"phoenxhq", "phoenix", "Phoenix HQ", "Arizona", "Arizona "},
    {"pike", "", "Pikes Peak", "Colorado", "Colorado"},
    {"pocono", "", "Pocono Raceway", "Pennsylvania", "PA"},
    {"portland", "", "Portland", "Oregon", "Oregon"},
    {"porthq", "portland", "Portland HQ", "Oregon", "Oregon"},
    {"riversid", "", "Riverside", "Riverside", "Riverside"},
    {"searsnew", "", "Sears (1998)", "Sears98", "Sears98"},
    {"searspt", "", "Sears Point", "Sears Point", "Sears"},
    {"sepang", "", "Sepang", "Malaysian", "Malaysian"},
    {"suz", "", "Suzuka", "Japanese", "Japan"},
    {"taladega", "", "Talladega", "Alabama", "Alabama"},
    {"texas", "", "Texas Motor Speedway", "Texas", "Texas"},
    {"thompson", "", "Thompson Speedway", "Connecticut", "Connecticut"},
    {"toronto", "", "Toronto", "Toronto", "Toronto"},
    {"trontohq", "toronto", "Toronto HQ", "Toronto", "Toronto"},
    {"vancouvr", "", "Vancouver", "British Columbia", "BC"},
    {"vanhq", "vancouvr", "Vancouver HQ", "British Columbia", "BC"},
};
static_assert(std::size(kTrackNameTable) == kTrackNameRowCount);

constexpr std::string_view kEventSuffix = " Grand Prix";
constexpr std::string_view kShortEventSuffix = " GP";
// Only this exact spelling is stripped; "Hq" or a missing blank stays in the name.
constexpr std::string_view kHqSuffix = " HQ";

const TrackNameRow* FindFolder(std::string_view folder) {
  for (const TrackNameRow& row : kTrackNameTable) {
    if (EqualsIgnoreCase1252(row.folder, folder)) return &row;
  }
  return nullptr;
}

}  // namespace

std::span<const TrackNameRow> TrackNameRows() { return kTrackNameTable; }

TrackTitleSet TrackTitles(std::string_view folder, bool strip) {
  const TrackNameRow* row = FindFolder(folder);
  if (row == nullptr) {
    std::string name(folder);
    return {name, name + std::string(kEventSuffix), name + std::string(kShortEventSuffix)};
  }
  std::string_view display = row->display_name;
  if (strip && display.ends_with(kHqSuffix)) display.remove_suffix(kHqSuffix.size());
  return {std::string(display), std::string(row->event_name) + std::string(kEventSuffix),
          std::string(row->event_short_name) + std::string(kShortEventSuffix)};
}

std::string FolderOfDisplayName(std::string_view name) {
  for (const TrackNameRow& row : kTrackNameTable) {
    if (EqualsIgnoreCase1252(row.display_name, name)) return std::string(row.folder);
  }
  return std::string(name);
}

std::string BaseFolderOf(std::string_view folder) {
  const TrackNameRow* row = FindFolder(folder);
  if (row != nullptr && !row->base_folder.empty()) return std::string(row->base_folder);
  return std::string(folder);
}

}  // namespace velmora
