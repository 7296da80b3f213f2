#ifndef VELMORA_TESTING_DEMO_CONVERSION_H_
#define VELMORA_TESTING_DEMO_CONVERSION_H_

// A demo installation converted by the CART/ICR2 run, with the track-file option at 1 and a
// patch folder of its own: for the tests of whole runs and of the run's last stages.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "pipeline/source_games.h"
#include "pipeline/track_converter.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/resource_store.h"
#include "platform/settings.h"
#include "platform/temp_folder.h"
#include "resources/embedded_files.h"
#include "samples/installation_builder.h"

namespace velmora::testkit {

class DemoConversion {
 public:
  DemoConversion() : demo_(samples::WriteDemoInstallations(folder_->path() / "demo")) {
    settings_.Override(kOptionsSection, kTrackFileConversionKey, "1");
    settings_.Override(kDirectoriesSection, kPatchesKey, patches().string());
    std::filesystem::create_directories(patches());
  }
  // The demo track into the demo's GPL installation; a test may change the request first.
  RunRequest Request() const { return {demo_.source, demo_.gpl, demo_.track}; }
  bool Convert() { return Convert(Request()); }
  bool Convert(const RunRequest& request) {
    messages_.Clear();
    TrackConverter converter(Services{messages_, settings_, resources_});
    return converter.Convert(SourceGame::kCart, request);
  }
  std::string Text(const std::filesystem::path& relative) const {
    std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(demo_.gpl / relative);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "(none)";
  }
  std::filesystem::path root() const { return folder_->path(); }
  std::filesystem::path patches() const { return folder_->path() / "patches"; }
  const samples::DemoInstallations& demo() const { return demo_; }
  std::filesystem::path track_folder() const { return demo_.gpl / "tracks" / demo_.track; }
  const std::vector<std::string>& messages() const { return messages_.messages(); }
  Settings& settings() { return settings_; }

 private:
  std::optional<TempFolder> folder_ = TempFolder::Create("test");
  samples::DemoInstallations demo_;
  RecordingMessageSink messages_;
  Settings settings_{folder_->path() / "Velmora.INI", "/home/racer"};
  ResourceStore resources_{EmbeddedFiles()};
};

}  // namespace velmora::testkit

#endif  // VELMORA_TESTING_DEMO_CONVERSION_H_
