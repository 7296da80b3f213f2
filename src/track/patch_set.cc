#include "track/patch_set.h"

#include <algorithm>
#include <array>
#include <utility>

#include "platform/ascii.h"
#include "platform/byte_reader.h"
#include "platform/file_system.h"
#include "track/track_archive.h"
#include "track/track_archive_format.h"
#include "track/track_archive_writer.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

using CodePair = std::pair<std::string_view, std::string_view>;

// A destination starting with "." is a new extension for the track's own name.
constexpr std::array<CodePair, 24> kFileCodes = {{
    {"tni", "track.ini"},    {"sae", "ace.stg"},      {"pb1", "biglogo1.pcx"},
    {"sdt", "default.st1"},  {"sey", "easy.stg"},     {"pe1", "event1.pcx"},
    {"sft", "fast.stg"},     {"lmc", "maxpanic.lp"},  {"lme", "maxrace.lp"},
    {"lnc", "minpanic.lp"},  {"lne", "minrace.lp"},   {"lpe", "pace.lp"},
    {"lp1", "pass1.lp"},     {"lp2", "pass2.lp"},     {"lpt", "pit.lp"},
    {"sql", "qual.st1"},     {"sqy", "qualify.stg"},  {"lre", "race.lp"},
    {"sre", "race.st1"},     {"trs", "records.txt"},  {"ls1", "spot1.lp"},
    {"pto", "trklogo.pcx"},  {"ptt", "trkshot.pcx"},  {"ttt", ".txt"},
}};
constexpr std::array<CodePair, 4> kSeasonCodes = {{
    {"9to", "trklogo.pcx"}, {"9e1", "event1.pcx"}, {"9b1", "biglogo1.pcx"}, {"9tt", "trkshot.pcx"},
}};

std::string ReadName(std::span<const std::uint8_t> field) {
  auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
  std::string name = AsciiLower(std::string(field.begin(), end));
  // Texture members are stored as ".!ip" and the like; they are written as ".mip".
  const std::size_t bang = name.find(".!", 1);
  if (bang != std::string::npos) name[bang + 1] = 'm';
  return name;
}

bool IsTexture(std::string_view name) { return AsciiLower(name).find(".m", 1) != std::string::npos; }

// Whether a file of this name goes into a rebuilt archive: hidden ones do not.
bool IsPacked(std::string_view name, std::string_view pattern) {
  return !name.starts_with(".") && MatchesWildcard(name, pattern);
}

// The order of a rebuilt archive: textures first, each group in the byte order of the
// lowercased names. The order is the same on every disk; a Windows folder listing would differ
// where "_" and the other characters between "Z" and "a" meet letters, which it sorts as if
// uppercased.
bool PackedBefore(std::string_view a, std::string_view b) {
  if (IsTexture(a) != IsTexture(b)) return IsTexture(a);
  return AsciiLower(a) < AsciiLower(b);
}

// The ordinary files of a folder that go into a rebuilt archive, in archive order.
std::vector<fs::path> ArchiveCandidates(const fs::path& folder, std::string_view pattern) {
  std::vector<fs::path> files;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) return files;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::error_code status_ec;
    const fs::file_status status = it->symlink_status(status_ec);
    const std::string name = it->path().filename().string();
    if (status_ec || !fs::is_regular_file(status)) continue;
    if ((status.permissions() & fs::perms::owner_write) == fs::perms::none) continue;
    if (IsPacked(name, pattern)) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) {
    return PackedBefore(a.filename().string(), b.filename().string());
  });
  return files;
}

// Every member of the archive file, each file replaced atomically.
Result<int> Extract(const fs::path& archive, const fs::path& folder,
                    std::vector<fs::path>* written = nullptr) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(archive);
  if (!bytes) return Status::NotFound("cannot read " + archive.string());
  Result<std::vector<PatchMember>> members = ReadPatchDirectory(*bytes);
  if (!members) {
    return Status::Corruption(archive.string() + ": " + members.status().message());
  }
  const fs::path target = ResolveExisting(folder).value_or(folder);
  for (const PatchMember& member : *members) {
    std::span<const std::uint8_t> data(bytes->data() + member.offset, member.length);
    const fs::path path = target / member.name;
    if (Status status = ReplaceFileAtomically(path, data); !status.ok()) return status;
    if (written != nullptr) written->push_back(path);
  }
  return static_cast<int>(members->size());
}

// Adds the members of the archive file read into `bytes` (nothing when it could not be read),
// with the statuses extracting it gives.
Status AddMembersOf(const fs::path& archive, const std::optional<std::vector<std::uint8_t>>& bytes,
                    MemberSet& members) {
  if (!bytes) return Status::NotFound("cannot read " + archive.string());
  if (Status status = AddArchiveMembers(*bytes, members); !status.ok()) {
    return Status::Corruption(archive.string() + ": " + status.message());
  }
  return Status::Ok();
}

}  // namespace

bool MatchesWildcard(std::string_view name, std::string_view pattern) {
  // Iterative matching with one backtrack point: linear in practice, never exponential.
  std::size_t n = 0, p = 0, star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() &&
        (pattern[p] == '?' || AsciiLower(pattern[p]) == AsciiLower(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

Result<std::vector<PatchMember>> ReadPatchDirectory(std::span<const std::uint8_t> archive) {
  ByteReader reader(archive);
  // Signed, as the games read it: a count of 0x8000 or more lists no members at all.
  const std::int16_t count = static_cast<std::int16_t>(reader.U16());
  if (!reader.ok()) return Status::Corruption("no member count");
  if (count < 0) return Status::Corruption("negative member count " + std::to_string(count));
  if (reader.remaining() / kArchiveRecordSize < static_cast<std::size_t>(count)) {
    return Status::Corruption("the directory of " + std::to_string(count) +
                              " members runs past the end of the file");
  }
  std::vector<PatchMember> members;
  members.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    ByteReader record = reader.Sub(kArchiveRecordSize);
    record.Skip(kArchiveRecordLengthAt);
    PatchMember member;
    member.length = record.U32();
    record.Skip(kArchiveRecordNameAt - kArchiveRecordLength2At);
    member.name = ReadName(record.Bytes(kArchiveNameFieldSize));
    member.offset = record.U32();
    if (!IsSafeMemberName(member.name)) {
      return Status::Corruption("member name \"" + member.name + "\" would leave its folder");
    }
    if (member.offset > archive.size() || member.length > archive.size() - member.offset) {
      return Status::Corruption("the data of member " + member.name + " lies past the end");
    }
    members.push_back(std::move(member));
  }
  return members;
}

Status AddArchiveMembers(std::span<const std::uint8_t> archive, MemberSet& members) {
  Result<std::vector<PatchMember>> listed = ReadPatchDirectory(archive);
  if (!listed) return listed.status();
  for (PatchMember& member : *listed) {
    members.insert_or_assign(std::move(member.name), archive.subspan(member.offset, member.length));
  }
  return Status::Ok();
}

Result<std::vector<std::uint8_t>> PackMembers(const MemberSet& members, std::string_view pattern) {
  std::vector<MemberSet::const_iterator> packed;
  for (auto it = members.begin(); it != members.end(); ++it) {
    if (IsPacked(it->first, pattern)) packed.push_back(it);
  }
  if (packed.empty()) return std::vector<std::uint8_t>();
  std::stable_sort(packed.begin(), packed.end(),
                   [](MemberSet::const_iterator a, MemberSet::const_iterator b) {
                     return PackedBefore(a->first, b->first);
                   });
  std::vector<ArchiveMemberPlan> plan;
  plan.reserve(packed.size());
  for (MemberSet::const_iterator member : packed) {
    plan.push_back({member->first, member->second.size()});
  }
  Result<TrackArchiveWriter> writer = TrackArchiveWriter::Create(plan);
  if (!writer) return writer.status();
  for (std::size_t i = 0; i < packed.size(); ++i) {
    std::ranges::copy(packed[i]->second, writer->MemberData(i).begin());
  }
  return writer->Take();
}

PatchSet::PatchSet(fs::path patch_folder, ArchivePatchUse archive_use)
    : patch_folder_(std::move(patch_folder)), archive_use_(archive_use) {
  for (const auto& [code, destination] : kFileCodes) codes_.emplace(code, destination);
  for (const auto& [code, destination] : kSeasonCodes) season_codes_.emplace(code, destination);
}

int PatchSet::ApplyPatches(std::string_view track_path, const fs::path& game_folder,
                           bool replace_archive, bool second_archive,
                           std::optional<std::string_view> subfolder) {
  const std::size_t slash = track_path.find_last_of("\\/");
  const std::string_view given =
      slash == std::string_view::npos ? track_path : track_path.substr(slash + 1);
  track_name_ = AsciiLower(given);
  archive_name_ = std::string(given) + ".dat";
  game_folder_ = game_folder;
  const fs::path spelled = game_folder / AsciiLower(subfolder.value_or("tracks")) / track_name_;
  track_folder_ = ResolveExisting(spelled).value_or(spelled);

  archive_patches_.clear();
  UseArchivePatch("zar", "zad", replace_archive);
  if (std::optional<fs::path> extra = PatchFile("exp")) {
    // A bad one writes nothing.
    Extract(*extra, track_folder_, &written_).status().IgnoreError();
  }
  if (second_archive) UseArchivePatch("zcr", "zcd", replace_archive);

  int copied = CopyAll(codes_);
  // The word marks a GPL installed as the season mod of that name: it is looked for in the
  // whole track folder path, the GPL folder included.
  if (AsciiLower(track_folder_.string()).find("nr1999", 1) != std::string::npos) {
    copied += CopyAll(season_codes_);
  }
  return copied;
}

int PatchSet::MergeArchivePatches() {
  int merged = 0;
  for (const fs::path& patch : archive_patches_) {
    // A patch that cannot be merged leaves the track archive as it was.
    if (MergeIntoArchive(patch, TrackArchivePath()).ok()) ++merged;
  }
  return merged;
}

fs::path PatchSet::TrackArchivePath() const {
  const fs::path spelled = track_folder_ / archive_name_;
  return ResolveExisting(spelled).value_or(spelled);
}

void PatchSet::UseArchivePatch(std::string_view preferred, std::string_view fallback,
                               bool use_preferred) {
  std::optional<fs::path> patch = use_preferred ? PatchFile(preferred) : std::nullopt;
  if (!patch) patch = PatchFile(fallback);
  if (!patch) return;
  archive_patches_.push_back(*patch);
  if (archive_use_ == ArchivePatchUse::kMergeIntoTrackArchive) {
    // A patch that cannot be merged leaves the track archive as it was.
    MergeIntoArchive(*patch, TrackArchivePath()).status().IgnoreError();
  }
}

std::optional<fs::path> PatchSet::PatchFile(std::string_view extension) const {
  const fs::path path = patch_folder_ / (track_name_ + "." + std::string(extension));
  if (!FileExists(path)) return std::nullopt;
  return ResolveExisting(path);
}

int PatchSet::CopyAll(const CodeMap& map) {
  int copied = 0;
  const std::string pattern = track_name_ + ".*";
  std::vector<fs::path> found;
  std::error_code ec;
  const fs::path folder = ResolveExisting(patch_folder_).value_or(patch_folder_);
  fs::directory_iterator it(folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code type_ec;
    if (it->is_regular_file(type_ec) && MatchesWildcard(it->path().filename().string(), pattern)) {
      found.push_back(it->path());
    }
  }
  std::sort(found.begin(), found.end());
  for (const fs::path& patch : found) {
    if (CopyPatchFile(patch, &map).ok()) ++copied;
  }
  return copied;
}

Status PatchSet::CopyPatchFile(const fs::path& patch, const CodeMap* map) {
  const std::string name = patch.filename().string();
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string::npos) return Status::NotFound(name + " has no patch code");
  const CodeMap& codes = map != nullptr ? *map : codes_;
  auto code = codes.find(AsciiLower(name.substr(dot + 1)));
  if (code == codes.end()) return Status::NotFound(name + " has no known patch code");
  const std::string& value = code->second;
  const fs::path destination =
      track_folder_ / (value.starts_with(".") ? track_name_ + value : value);
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(patch);
  if (!bytes) return Status::IOError("cannot read " + patch.string());
  if (Status status = ReplaceFileAtomically(destination, *bytes); !status.ok()) return status;
  written_.push_back(destination);
  return Status::Ok();
}

Result<int> PatchSet::ExtractMembers(const fs::path& archive, const fs::path& folder) {
  return Extract(archive, folder);
}

Result<int> PatchSet::BuildArchive(const fs::path& archive, const fs::path& folder,
                                   std::optional<std::string_view> pattern) {
  const fs::path source = ResolveExisting(folder).value_or(folder);
  const std::vector<fs::path> files = ArchiveCandidates(source, pattern.value_or("*.*"));
  if (files.empty()) return 0;
  std::vector<ArchiveMemberPlan> plan;
  plan.reserve(files.size());
  for (const fs::path& file : files) {
    std::optional<std::uintmax_t> size = FileSize(file);
    if (!size) return Status::IOError("cannot read " + file.string());
    plan.push_back({file.filename().string(), *size});
  }
  Result<TrackArchiveWriter> writer = TrackArchiveWriter::Create(plan);
  if (!writer) return writer.status();
  // Every file is read before anything is written: a directory never promises missing bytes.
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (!ReadFileInto(files[i], writer->MemberData(i))) {
      return Status::IOError("cannot read " + files[i].string());
    }
  }
  if (Status status = ReplaceFileAtomically(archive, writer->Take()); !status.ok()) return status;
  return static_cast<int>(files.size());
}

Result<int> PatchSet::MergeIntoArchive(const fs::path& patch, const fs::path& archive) {
  std::optional<std::vector<std::uint8_t>> old_bytes;
  MemberSet members;
  if (FileExists(archive)) {
    old_bytes = ReadFileBytes(archive);
    if (Status status = AddMembersOf(archive, old_bytes, members); !status.ok()) return status;
  }
  const std::optional<std::vector<std::uint8_t>> patch_bytes = ReadFileBytes(patch);
  if (Status status = AddMembersOf(patch, patch_bytes, members); !status.ok()) return status;
  Result<std::vector<std::uint8_t>> packed = PackMembers(members);
  if (!packed) return packed.status();
  if (packed->empty()) return 0;
  // The count the directory starts with: the members packed.
  const int count = ByteReader(*packed).U16();
  if (Status status = ReplaceFileAtomically(archive, *packed); !status.ok()) return status;
  return count;
}

void PatchSet::RemoveFolder(const fs::path& folder) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    std::error_code remove_ec;
    if (!it->is_directory(remove_ec)) fs::remove(it->path(), remove_ec);
  }
  fs::remove(folder, ec);
}

}  // namespace velmora
