#ifndef VELMORA_PIPELINE_CONVERSION_WORKSPACE_H_
#define VELMORA_PIPELINE_CONVERSION_WORKSPACE_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/file_source.h"
#include "platform/path_resolver.h"

namespace velmora {

class MessageSink;
class ResourceStore;

// Looks a data file up among the program's resources. When there is none, shows
// "Failed to find resource <name>" and gives nothing.
std::optional<std::span<const std::uint8_t>> FindEmbeddedFile(const ResourceStore& resources,
                                                              MessageSink& messages,
                                                              std::string_view name);

// The output side of one conversion: the GPL track name, the GPL track folder, and the files
// to pack into the track archive "<track_name>.dat" there.
//
// The converted files that go into the pack are held in memory (HoldOutput) and packed from
// there: they never touch the disk unless the pack cannot be written, when they are all the
// user has of the conversion and are written loose into the track folder. Holding checks that
// the file could be written, so a folder the run cannot write fails at the same step as a
// written file would. Held files never listed for packing are written loose when the workspace
// is destroyed. The files named in the pack list belong to the conversion: destroying the
// workspace deletes what of them is on disk, in list order, whether the run finished, stopped
// early or never packed, except after a pack that could not be written. Files never listed are
// left alone.
class ConversionWorkspace : public FileSink {
 public:
  ConversionWorkspace(MessageSink& messages, const ResourceStore& resources)
      : messages_(messages), resources_(resources) {}
  ~ConversionWorkspace() override;
  ConversionWorkspace(const ConversionWorkspace&) = delete;
  ConversionWorkspace& operator=(const ConversionWorkspace&) = delete;

  const std::string& track_name() const { return track_name_; }
  void set_track_name(std::string name) { track_name_ = std::move(name); }
  const std::filesystem::path& output_folder() const { return output_folder_; }
  void set_output_folder(std::filesystem::path folder) { output_folder_ = std::move(folder); }
  const std::vector<std::filesystem::path>& pack_list() const { return pack_list_; }

  // Places the resource's bytes as output_folder / file_name: held and listed for packing when
  // `pack` is set, else written to disk. False when the resource is missing or empty or the
  // file cannot be created ("Failed To Open <path> For Writing").
  bool ExtractResource(std::string_view name, std::string_view file_name, bool pack);

  // Holds a converted file for packing, replacing what was held at that path (in any letter
  // case) before. False, holding nothing, when no file could be written there. The borrowed
  // bytes must outlive the workspace.
  bool HoldOutput(const std::filesystem::path& path, std::vector<std::uint8_t> bytes);
  bool Put(const std::filesystem::path& path, std::vector<std::uint8_t> bytes) override {
    return HoldOutput(path, std::move(bytes));
  }
  bool HoldBorrowedOutput(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
  // The bytes held for `path`; nothing when the file is not held.
  std::optional<std::span<const std::uint8_t>> HeldOutput(const std::filesystem::path& path) const;
  // An output file's bytes: the held ones, else the file on disk; nothing when neither exists.
  std::optional<std::vector<std::uint8_t>> OutputBytes(const std::filesystem::path& path);
  // Files written on disk by other steps (the patches) after they were held: the disk copy is
  // the newer and is packed instead.
  void TakeFromDisk(std::span<const std::filesystem::path> paths);
  // The run's case-insensitive lookup in the output folder.
  PathResolver& resolver() { return resolver_; }

  // Lists a file for packing unless a path equal to it without regard to letter case is
  // listed already; the first spelling stays.
  void AddToPack(const std::filesystem::path& path);

  // A member put into the pack beside the listed files (an archive patch's): it takes the
  // place of the listed file of the same name, without regard to letter case, or comes after
  // the listed files when none has that name. Its bytes must outlive WritePack.
  struct ExtraMember {
    std::string name;
    std::span<const std::uint8_t> bytes;
  };

  // Writes every listed file, in list order, into output_folder / (track_name + ".dat"), with
  // the extra members in place of the files they name and the others after them (a later
  // extra member of a name replaces an earlier one). Nothing is written when a listed file
  // cannot be read ("Failed to open <path>"), when the list cannot be stored in an archive, or
  // when the archive cannot be created; the listed files then stay. A member name longer than
  // the 12 characters an archive holds is refused, never shortened: GPL looks members up by
  // their full names.
  bool WritePack(std::span<const ExtraMember> extra = {});

 private:
  struct HeldFile {
    std::filesystem::path path;
    std::vector<std::uint8_t> owned;
    std::span<const std::uint8_t> bytes;  // `owned`, or borrowed
    // Whether a file of that name was on disk when it was held (or has been written since);
    // one that never was needs no deleting.
    bool on_disk = false;
  };

  bool Hold(const std::filesystem::path& path, std::vector<std::uint8_t> owned,
            std::span<const std::uint8_t> borrowed);
  const HeldFile* FindHeld(const std::filesystem::path& path) const;
  bool IsListed(const std::filesystem::path& path) const;
  bool PackListedFiles(std::span<const ExtraMember> extra);
  // Writes held files loose into the track folder: all of them, or those never listed.
  void WriteHeldFiles(bool unlisted_only);

  MessageSink& messages_;
  const ResourceStore& resources_;
  std::string track_name_;
  std::vector<std::filesystem::path> pack_list_;
  std::unordered_set<std::string> listed_keys_;
  std::vector<HeldFile> held_;
  std::unordered_map<std::string, std::size_t> held_index_;  // by lowercased path
  PathResolver resolver_;
  bool keep_listed_files_ = false;  // set when the pack could not be written
  std::filesystem::path output_folder_;
};

}  // namespace velmora

#endif  // VELMORA_PIPELINE_CONVERSION_WORKSPACE_H_
