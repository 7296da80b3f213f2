#include "trackview/folder_check.h"

#include <optional>

#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/rule_path.h"
#include "track/racing_lines.h"
#include "trackview/member_checks.h"
#include "trackview/track_folder.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

std::string Extension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : AsciiLower(name.substr(dot));
}

constexpr const char* kTrackIni = "track.ini";

bool IsRacingLine(std::string_view name) {
  for (const char* line : kRacingLineFiles) {
    if (EqualsIgnoreCase(name, line)) return true;
  }
  return false;
}

// One pass over a folder: the track file is loaded first, so that the racing lines can be held
// against the point count its length gives.
class FolderChecker {
 public:
  FolderChecker(const TrackFolder& folder, const FolderTrack& track, CheckReport& report)
      : folder_(folder), track_(track), report_(report) {}

  void Run() {
    CheckPack();
    CheckTrack();
    for (const PackEntry& entry : folder_.pack_entries()) CheckPacked(entry);
    for (const LooseFile& file : folder_.loose_files()) CheckLoose(file);
    for (const char* line : kRacingLineFiles) {
      if (!folder_.FindLoose(line) && !folder_.FindPacked(line)) Report(line, "missing");
    }
    if (!folder_.FindLoose(kTrackIni) && !folder_.FindPacked(kTrackIni)) {
      Report(kTrackIni, "missing");
    }
  }

 private:
  void Report(std::string member, std::string what, bool information = false) {
    report_.findings.push_back({std::move(member), std::move(what), information});
  }

  void CheckPack() {
    if (!folder_.has_pack()) return;
    for (const std::string& other : folder_.other_pack_spellings()) {
      Report(other, "a second pack of the track beside " + folder_.pack_name() +
                        ", named alike but for letter case: the game reads only one of them");
    }
    if (!folder_.pack_status().ok()) {
      Report(folder_.pack_name(), folder_.pack_status().message());
      return;
    }
    for (Finding& finding : CheckPackDirectory(folder_.pack_entries(), folder_.pack_bytes().size(),
                                               folder_.pack_name())) {
      report_.findings.push_back(std::move(finding));
    }
  }

  // The track file GPL reads is checked first, so that the racing lines can be held against
  // the point count its length gives.
  void CheckTrack() {
    const std::string& name = track_.name;
    const LooseFile* loose = folder_.FindLoose(name);
    const PackEntry* packed = folder_.FindPacked(name);
    if (track_.status.IsNotFound()) {
      if (!loose && !packed) Report(name, "missing: the track has no geometry file");
      return;  // a member whose data lies outside the pack is reported with the directory
    }
    const std::string label =
        loose ? (packed ? loose->name + " (loose)" : loose->name) : packed->name;
    checked_track_ = loose ? static_cast<const void*>(loose) : packed;
    Problems problems = CheckTrackLoad(track_.status, track_.geometry);
    ++report_.files_checked;
    for (std::string& what : problems) Report(label, std::move(what));
    if (track_.geometry.loaded()) {
      expected_points_ =
          RacingLines::PointCount(track_.geometry, GplTrackFolderRulePath(folder_.folder()));
    }
  }

  void CheckPacked(const PackEntry& entry) {
    if (entry.name.empty() || !entry.terminated) return;  // reported with the directory
    std::optional<std::span<const std::uint8_t>> bytes = folder_.MemberBytes(entry);
    if (!bytes) return;  // reported with the directory
    const bool shadowed = folder_.FindLoose(entry.name) != nullptr;
    CheckBytes(entry.name, shadowed ? entry.name + " (packed)" : entry.name, *bytes, &entry);
  }

  void CheckLoose(const LooseFile& file) {
    const bool shadows = folder_.FindPacked(file.name) != nullptr;
    const std::string label = shadows ? file.name + " (loose)" : file.name;
    if (shadows) Report(file.name, "loose file shadows the packed member of that name", true);
    if (Extension(file.name) == ".dat") return;  // another track's pack: not read by GPL here
    std::optional<FolderBytes> bytes = folder_.ReadLoose(file);
    if (!bytes) {
      Report(label, "cannot be read");
      return;
    }
    CheckBytes(file.name, label, bytes->span(), &file);
  }

  // Checks one file by the kind its name gives; files of other kinds are not counted.
  // `file` is the pack entry or loose file the bytes come from.
  void CheckBytes(const std::string& name, const std::string& label,
                  std::span<const std::uint8_t> bytes, const void* file) {
    const std::string kind = Extension(name);
    Problems problems;
    if (kind == ".mip") {
      problems = CheckMipFile({bytes.begin(), bytes.end()});
    } else if (kind == ".srb") {
      problems = CheckSrbFile({bytes.begin(), bytes.end()});
    } else if (kind == ".pbf") {
      problems = CheckPbfFile(bytes, name);
    } else if (kind == ".3do") {
      problems = CheckObjectFile(bytes);
    } else if (kind == ".trk") {
      if (file == checked_track_) return;  // checked first, by CheckTrack
      TrackGeometry geometry;
      problems = CheckTrackFile({bytes.begin(), bytes.end()},
                                GplTrackFileRulePath(folder_.folder() / name), geometry);
    } else if (EqualsIgnoreCase(name, kTrackIni)) {
      problems = CheckTrackIni({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    } else if (kind == ".lp") {
      problems = CheckLineFile(bytes, IsRacingLine(name) ? expected_points_ : std::nullopt);
    } else {
      return;
    }
    ++report_.files_checked;
    for (std::string& what : problems) Report(label, std::move(what));
  }

  const TrackFolder& folder_;
  const FolderTrack& track_;
  CheckReport& report_;
  std::optional<std::int64_t> expected_points_;
  const void* checked_track_ = nullptr;  // the entry or loose file CheckTrack checked
};

}  // namespace

int CheckReport::problems() const {
  int count = 0;
  for (const Finding& finding : findings) count += finding.information ? 0 : 1;
  return count;
}

int CheckReport::notes() const { return static_cast<int>(findings.size()) - problems(); }

std::string CheckReport::Text() const {
  // Appended piece by piece: a damaged pack can give a finding for every member.
  std::string text;
  for (const Finding& finding : findings) {
    text.append(finding.member).append(finding.information ? ": note: " : ": ");
    text.append(finding.what).append("\n");
  }
  const int count = problems();
  text += track + ": " + std::to_string(files_checked) + " files checked, " +
          (count == 0 ? std::string("no problems")
                      : std::to_string(count) + (count == 1 ? " problem" : " problems"));
  if (notes() > 0) text += ", " + std::to_string(notes()) + (notes() == 1 ? " note" : " notes");
  return text + "\n";
}

Result<CheckReport> CheckTrackFolder(const fs::path& folder) {
  Result<TrackFolder> track = TrackFolder::Open(folder);
  if (!track.ok()) return track.status();
  return CheckTrackFolder(*track);
}

CheckReport CheckTrackFolder(const TrackFolder& folder) {
  return CheckTrackFolder(folder, folder.LoadTrack());
}

CheckReport CheckTrackFolder(const TrackFolder& folder, const FolderTrack& track) {
  CheckReport report;
  report.track = folder.name();
  FolderChecker(folder, track, report).Run();
  return report;
}

}  // namespace velmora
