#ifndef VELMORA_PIPELINE_CONVERSION_WORKSPACE_H_
#define VELMORA_PIPELINE_CONVERSION_WORKSPACE_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

class MessageSink;
class ResourceStore;

// Looks a data file up among the program's resources. When there is none, shows
// "Failed to find resource <name>" and gives nothing.
std::optional<std::span<const std::uint8_t>> FindEmbeddedFile(const ResourceStore& resources,
                                                              MessageSink& messages,
                                                              std::string_view name);

// The output side of one conversion: the GPL track name, the GPL track folder, and the files
// to pack into the track archive "<track_name>.dat" there. The files named in the pack list
// belong to the conversion: destroying the workspace deletes them, in list order, whether the
// run finished, stopped early or never packed, except after a pack that could not be written:
// then they are all the user has of the conversion, and they stay. Files never listed are left
// alone.
class ConversionWorkspace {
 public:
  ConversionWorkspace(MessageSink& messages, const ResourceStore& resources)
      : messages_(messages), resources_(resources) {}
  ~ConversionWorkspace();
  ConversionWorkspace(const ConversionWorkspace&) = delete;
  ConversionWorkspace& operator=(const ConversionWorkspace&) = delete;

  const std::string& track_name() const { return track_name_; }
  void set_track_name(std::string name) { track_name_ = std::move(name); }
  const std::filesystem::path& output_folder() const { return output_folder_; }
  void set_output_folder(std::filesystem::path folder) { output_folder_ = std::move(folder); }
  const std::vector<std::filesystem::path>& pack_list() const { return pack_list_; }

  // Writes the resource's bytes to output_folder / file_name, and lists the file for packing
  // when `pack` is set. False when the resource is missing or empty or the file cannot be
  // created ("Failed To Open <path> For Writing").
  bool ExtractResource(std::string_view name, std::string_view file_name, bool pack);

  // Lists a file for packing unless a path equal to it without regard to letter case is
  // listed already; the first spelling stays.
  void AddToPack(const std::filesystem::path& path);

  // Writes every listed file, in list order, into output_folder / (track_name + ".dat").
  // Nothing is written when a listed file cannot be read ("Failed to open <path>"), when the
  // list cannot be stored in an archive, or when the archive cannot be created; the listed
  // files then stay. A member name longer than the 12 characters an archive holds is refused,
  // never shortened: GPL looks members up by their full names.
  bool WritePack();

 private:
  MessageSink& messages_;
  const ResourceStore& resources_;
  std::string track_name_;
  std::vector<std::filesystem::path> pack_list_;
  bool keep_listed_files_ = false;  // set when the pack could not be written
  std::filesystem::path output_folder_;
};

}  // namespace velmora

#endif  // VELMORA_PIPELINE_CONVERSION_WORKSPACE_H_
