#include "track/season_file.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "platform/ascii.h"
#include "platform/file_system.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kCountKey = "numEvents=";

// The whole number at the start of `text` as the C library reads one, kept within int so
// that the next event's number cannot overflow.
long long LeadingNumber(std::string_view text) {
  return std::clamp<long long>(LeadingWholeNumber(text), -(INT_MAX - 1), INT_MAX - 1);
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  return lines;
}

bool IsRegistered(std::span<const std::string_view> lines, std::string_view folder) {
  const std::string wanted = "trackdirectory=" + AsciiLower(folder);
  for (std::string_view line : lines) {
    if (AsciiLower(line).find(wanted) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

int SeasonLaps(std::int64_t track_length) {
  const std::int64_t tenths = track_length / kLapBudgetUnit;
  if (tenths <= 0) return static_cast<int>(kLapBudget);
  return static_cast<int>(kLapBudget / tenths);
}

std::optional<std::string> AddEventToSeasonText(std::string_view text, std::string_view folder,
                                                const SeasonEventNames& names, int laps) {
  const std::vector<std::string_view> lines = Lines(text);
  if (IsRegistered(lines, folder)) return std::nullopt;
  const std::string_view eol = text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";

  std::string out;
  out.reserve(text.size() + 200);
  long long event = kFirstAddedEvent;
  for (std::string_view line : lines) {
    if (line.find(kCountKey) != std::string_view::npos) {
      // The count is read from the line's eleventh character, where it stands in GPL's files.
      event = (line.size() > kCountKey.size() ? LeadingNumber(line.substr(kCountKey.size())) : 0) + 1;
      out.append(kCountKey).append(std::to_string(event));
    } else {
      out.append(line);
    }
    out.append(eol);
  }
  auto add = [&](std::string_view key, std::string_view value) {
    out.append(key).append(value).append(eol);
  };
  out.append(eol);
  add("[Event", std::to_string(event) + "]");
  add("name=", names.title);
  add("shortname=", names.short_title);
  add("trackDirectory=", folder);
  add("month=", "1");
  add("day=", "2");
  add("numberOfLaps=", std::to_string(laps));
  add("startingGrid=", "4");
  return out;
}

Status AddSeasonEvent(const fs::path& season_path, std::string_view folder,
                      const SeasonEventNames& names, std::int64_t track_length) {
  if (!FileExists(season_path)) return Status::NotFound("no season file " + season_path.string());
  // Before anything else, registered or not: the file is left an ordinary one.
  MakeOrdinaryFile(season_path);
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(season_path);
  if (!bytes) return Status::IOError("cannot read " + season_path.string());
  std::optional<std::string> edited = AddEventToSeasonText(
      std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), folder,
      names, SeasonLaps(track_length));
  if (!edited) return Status::Ok();
  return ReplaceFileAtomically(season_path, *edited);
}

}  // namespace velmora
