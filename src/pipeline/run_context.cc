#include "pipeline/run_context.h"

#include "pipeline/conversion_workspace.h"
#include "platform/progress_sink.h"
#include "platform/settings.h"

namespace velmora {

RunContext::RunContext(const Services& services, ConversionWorkspace& workspace, RunRequest request)
    : services(services),
      workspace(workspace),
      request(std::move(request)),
      track_file_conversion(services.settings.TrackFileConversion()) {}

std::filesystem::path RunContext::GplTrackFile(std::string_view name) const {
  return workspace.output_folder() / name;
}

void RunContext::Step() const {
  if (request.progress != nullptr) request.progress->Step();
}

}  // namespace velmora
