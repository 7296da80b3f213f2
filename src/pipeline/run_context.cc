#include "pipeline/run_context.h"

#include "pipeline/conversion_workspace.h"
#include "platform/progress_sink.h"
#include "platform/settings.h"

namespace velmora {

namespace {

std::optional<int> TrackFileOption(GeometryChoice choice, const Settings& settings) {
  switch (choice) {
    case GeometryChoice::kAutomatic:
      return std::nullopt;
    case GeometryChoice::kTemplate:
      return 0;
    case GeometryChoice::kTrackFile:
      return 1;
    case GeometryChoice::kFromSettings:
      break;
  }
  return settings.TrackFileConversion();
}

}  // namespace

RunContext::RunContext(const Services& services, ConversionWorkspace& workspace, RunRequest request)
    : services(services),
      workspace(workspace),
      request(std::move(request)),
      track_file_option(TrackFileOption(this->request.geometry, services.settings)) {}

std::filesystem::path RunContext::GplTrackFile(std::string_view name) const {
  return workspace.output_folder() / name;
}

void RunContext::Step() const {
  if (request.progress != nullptr) request.progress->Step();
}

}  // namespace velmora
