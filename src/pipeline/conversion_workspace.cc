#include "pipeline/conversion_workspace.h"

#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
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

ConversionWorkspace::~ConversionWorkspace() {
  if (keep_listed_files_) return;
  for (const fs::path& path : pack_list_) RemoveFile(path);
}

bool ConversionWorkspace::ExtractResource(std::string_view name, std::string_view file_name,
                                          bool pack) {
  std::optional<std::span<const std::uint8_t>> bytes =
      FindEmbeddedFile(resources_, messages_, name);
  if (!bytes || bytes->empty()) return false;
  const fs::path path = output_folder_ / file_name;
  RemoveFile(path);
  if (!WriteFileBytes(path, *bytes)) {
    messages_.Show("Failed To Open " + path.string() + " For Writing");
    return false;
  }
  if (pack) AddToPack(path);
  return true;
}

void ConversionWorkspace::AddToPack(const fs::path& path) {
  const std::string wanted = path.string();
  for (const fs::path& listed : pack_list_) {
    if (EqualsIgnoreCase(listed.string(), wanted)) return;
  }
  pack_list_.push_back(path);
}

bool ConversionWorkspace::WritePack() {
  // Until the archive is written the loose files are the conversion's only copy.
  keep_listed_files_ = true;
  std::vector<ArchiveMemberPlan> plan;
  plan.reserve(pack_list_.size());
  for (const fs::path& path : pack_list_) {
    std::optional<std::uintmax_t> size = FileSize(path);
    if (!size) {
      messages_.Show("Failed to open " + path.string());
      return false;
    }
    plan.push_back({path.filename().string(), *size});
  }

  const fs::path archive_path = output_folder_ / (track_name_ + ".dat");
  Result<TrackArchiveWriter> writer = TrackArchiveWriter::Create(plan);
  if (!writer) {
    messages_.Show("Cannot write the track archive " + archive_path.string() + ": " +
                   writer.status().message());
    return false;
  }
  for (std::size_t i = 0; i < pack_list_.size(); ++i) {
    if (!ReadFileInto(pack_list_[i], writer->MemberData(i))) {
      messages_.Show("Failed to open " + pack_list_[i].string());
      return false;
    }
  }
  // The archive may hold an earlier conversion the user plays: it is replaced whole or kept.
  if (!ReplaceFileAtomically(archive_path, writer->Take()).ok()) {
    messages_.Show("Failed To Open " + archive_path.string() + " For Writing");
    return false;
  }
  keep_listed_files_ = false;
  return true;
}

}  // namespace velmora
