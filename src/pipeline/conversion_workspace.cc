#include "pipeline/conversion_workspace.h"

#include <algorithm>

#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/path_text.h"
#include "platform/resource_store.h"
#include "track/track_archive_writer.h"

namespace velmora {

namespace fs = std::filesystem;

std::optional<std::span<const std::uint8_t>> FindEmbeddedFile(const ResourceStore& resources,
                                                              MessageSink& messages,
                                                              std::string_view name) {
  std::optional<std::span<const std::uint8_t>> bytes = resources.Find(name);
  if (!bytes) messages.Show("Failed to find resource " + std::string(name));
  return bytes;
}

namespace {

std::string PathKey(const fs::path& path) { return AsciiLower(path.string()); }

}  // namespace

ConversionWorkspace::~ConversionWorkspace() {
  if (keep_listed_files_) return;
  WriteHeldFiles(/*unlisted_only=*/true);
  for (const fs::path& path : pack_list_) {
    const HeldFile* held = FindHeld(path);
    if (held == nullptr || held->on_disk) resolver_.RemoveFile(path);
  }
}

bool ConversionWorkspace::ExtractResource(std::string_view name, std::string_view file_name,
                                          bool pack) {
  std::optional<std::span<const std::uint8_t>> bytes =
      FindEmbeddedFile(resources_, messages_, name);
  if (!bytes || bytes->empty()) return false;
  const fs::path path = output_folder_ / file_name;
  resolver_.RemoveFile(path);
  const bool placed =
      pack ? HoldBorrowedOutput(path, *bytes) : resolver_.WriteFileBytes(path, *bytes);
  if (!placed) {
    messages_.Show("Failed To Open " + path.string() + " For Writing");
    return false;
  }
  if (pack) AddToPack(path);
  return true;
}

bool ConversionWorkspace::HoldOutput(const fs::path& path, std::vector<std::uint8_t> bytes) {
  return Hold(path, std::move(bytes), {});
}

bool ConversionWorkspace::HoldBorrowedOutput(const fs::path& path,
                                             std::span<const std::uint8_t> bytes) {
  return Hold(path, {}, bytes);
}

bool ConversionWorkspace::Hold(const fs::path& path, std::vector<std::uint8_t> owned,
                               std::span<const std::uint8_t> borrowed) {
  bool on_disk = false;
  if (!resolver_.CanWrite(path, &on_disk)) return false;
  auto [it, added] = held_index_.try_emplace(PathKey(path), held_.size());
  if (added) held_.push_back({path, {}, {}});
  HeldFile& file = held_[it->second];
  file.on_disk = file.on_disk || on_disk;
  file.owned = std::move(owned);
  file.bytes = borrowed.empty() ? std::span<const std::uint8_t>(file.owned) : borrowed;
  return true;
}

const ConversionWorkspace::HeldFile* ConversionWorkspace::FindHeld(const fs::path& path) const {
  auto it = held_index_.find(PathKey(path));
  return it == held_index_.end() ? nullptr : &held_[it->second];
}

std::optional<std::span<const std::uint8_t>> ConversionWorkspace::HeldOutput(
    const fs::path& path) const {
  const HeldFile* file = FindHeld(path);
  if (file == nullptr) return std::nullopt;
  return file->bytes;
}

std::optional<std::vector<std::uint8_t>> ConversionWorkspace::OutputBytes(const fs::path& path) {
  if (const HeldFile* file = FindHeld(path)) {
    return std::vector<std::uint8_t>(file->bytes.begin(), file->bytes.end());
  }
  std::optional<fs::path> found = resolver_.ResolveExisting(path);
  if (!found) return std::nullopt;
  return ReadFileBytes(*found);
}

void ConversionWorkspace::TakeFromDisk(std::span<const fs::path> paths) {
  for (const fs::path& path : paths) {
    // The patch may have replaced a file of another spelling: look at the folder afresh.
    resolver_.Forget(path.parent_path());
    auto it = held_index_.find(PathKey(path));
    if (it == held_index_.end()) continue;
    // The entry stays in place, emptied, so the other indexes hold; it is no longer held.
    held_[it->second] = HeldFile{};
    held_index_.erase(it);
  }
}

bool ConversionWorkspace::IsListed(const fs::path& path) const {
  return listed_keys_.contains(PathKey(path));
}

void ConversionWorkspace::WriteHeldFiles(bool unlisted_only) {
  for (HeldFile& file : held_) {
    if (file.path.empty()) continue;  // taken from disk
    if (unlisted_only && IsListed(file.path)) continue;
    // As for every converted file, a loose copy that cannot be written is not told about.
    file.on_disk = resolver_.WriteFileBytes(file.path, file.bytes) || file.on_disk;
  }
}

void ConversionWorkspace::AddToPack(const fs::path& path) {
  if (listed_keys_.insert(PathKey(path)).second) pack_list_.push_back(path);
}

bool ConversionWorkspace::WritePack(std::span<const ExtraMember> extra) {
  // Until the archive is written the held and loose files are the conversion's only copy: on
  // any failure the held ones are written out beside the loose ones.
  keep_listed_files_ = true;
  if (!PackListedFiles(extra)) {
    WriteHeldFiles(/*unlisted_only=*/false);
    return false;
  }
  keep_listed_files_ = false;
  return true;
}

bool ConversionWorkspace::PackListedFiles(std::span<const ExtraMember> extra) {
  // The extra member that stands for each name, the last of that name winning.
  std::unordered_map<std::string, std::size_t> extra_by_name;
  for (std::size_t i = 0; i < extra.size(); ++i) extra_by_name[AsciiLower(extra[i].name)] = i;
  auto take_extra = [&](std::string_view name) -> const ExtraMember* {
    auto it = extra_by_name.find(AsciiLower(name));
    if (it == extra_by_name.end()) return nullptr;
    const ExtraMember* member = &extra[it->second];
    extra_by_name.erase(it);  // each name goes into the pack once
    return member;
  };

  // The archive is written from where the members' bytes are: the extra and held ones in
  // place, the files on disk read first, so a file that cannot be read leaves the archive
  // unwritten.
  std::vector<ArchiveMemberPlan> plan;
  std::vector<std::span<const std::uint8_t>> pieces(1);  // the directory goes first
  std::vector<std::vector<std::uint8_t>> read_from_disk;
  plan.reserve(pack_list_.size() + extra.size());
  pieces.reserve(pack_list_.size() + extra.size() + 1);
  read_from_disk.reserve(pack_list_.size());
  for (const fs::path& path : pack_list_) {
    std::string name = PathToWindows1252(path.filename());
    if (const ExtraMember* member = take_extra(name)) {
      pieces.push_back(member->bytes);
    } else if (const HeldFile* held = FindHeld(path)) {
      pieces.push_back(held->bytes);
    } else {
      std::optional<fs::path> found = resolver_.ResolveExisting(path);
      std::optional<std::uintmax_t> size = found ? resolver_.FileSize(*found) : std::nullopt;
      if (!size || !ReadFileInto(*found, read_from_disk.emplace_back(*size))) {
        messages_.Show("Failed to open " + path.string());
        return false;
      }
      pieces.push_back(read_from_disk.back());
    }
    plan.push_back({std::move(name), pieces.back().size()});
  }
  // The names no listed file has, in the order their first member came.
  for (const ExtraMember& member : extra) {
    if (const ExtraMember* last = take_extra(member.name)) {
      pieces.push_back(last->bytes);
      plan.push_back({last->name, last->bytes.size()});
    }
  }

  const fs::path archive_path = output_folder_ / (track_name_ + ".dat");
  Result<std::vector<std::uint8_t>> directory = TrackArchiveWriter::DirectoryBytes(plan);
  if (!directory) {
    messages_.Show("Cannot write the track archive " + archive_path.string() + ": " +
                   directory.status().message());
    return false;
  }
  pieces.front() = *directory;
  // The archive may hold an earlier conversion the user plays: it is replaced whole or kept.
  const fs::path target = resolver_.ResolveForWrite(archive_path);
  if (!ReplaceFileAtomicallyAt(target, FilePieces(pieces)).ok()) {
    messages_.Show("Failed To Open " + archive_path.string() + " For Writing");
    return false;
  }
  resolver_.NoteCreated(target);
  return true;
}

}  // namespace velmora
