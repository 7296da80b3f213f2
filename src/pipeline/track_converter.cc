#include "pipeline/track_converter.h"

#include <exception>
#include <filesystem>
#include <new>

#include "pipeline/conversion_run.h"
#include "pipeline/track_name_table.h"
#include "platform/message_sink.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

// Runs one pipeline and turns anything thrown into a message and a stopped run, so no
// exception reaches the front end.
template <typename Pipeline>
bool Guarded(MessageSink& messages, Pipeline&& pipeline) {
  try {
    return pipeline();
  } catch (const fs::filesystem_error& error) {
    messages.Show("Conversion stopped: " + error.path1().string() + ": " + error.what());
  } catch (const std::bad_alloc&) {
    messages.Show("Conversion stopped: out of memory");
  } catch (const std::exception& error) {
    messages.Show(std::string("Conversion stopped: ") + error.what());
  }
  return false;
}

}  // namespace

TrackConverter::TrackConverter(const Services& services)
    : services_(services), workspace_(services.messages, services.resources) {}

TrackConverter::~TrackConverter() = default;

bool TrackConverter::Convert(SourceGame game, const RunRequest& request) {
  return Guarded(services_.messages, [&] {
    if (game == SourceGame::kCart) {
      RunRequest cart = request;
      cart.sixteen_bit_sky = false;
      ConversionRun run(services_, workspace_, std::move(cart));
      return run.RunCart();
    }
    ConversionRun run(services_, workspace_, request);
    return run.RunNSeries();
  });
}

std::string TrackConverter::GplTrackFolder(SourceGame game, const fs::path& src_dir,
                                           std::string_view source_track) {
  return game == SourceGame::kCart ? BaseFolderOf(source_track)
                                   : ConversionRun::NSeriesGplTrack(src_dir, source_track);
}

}  // namespace velmora
