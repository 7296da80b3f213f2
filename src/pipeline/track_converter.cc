#include "pipeline/track_converter.h"

#include <exception>
#include <filesystem>
#include <new>

#include "pipeline/conversion_run.h"
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

bool TrackConverter::ConvertCart(const fs::path& src_dir, const fs::path& gpl_dir,
                                 std::string_view source_track, bool keep_skid_marks,
                                 ProgressSink* progress) {
  return Guarded(services_.messages, [&] {
    ConversionRun run(*this, {src_dir, gpl_dir, std::string(source_track), keep_skid_marks,
                              /*sixteen_bit_sky=*/false, progress});
    return run.RunCart();
  });
}

bool TrackConverter::ConvertNSeries(const fs::path& src_dir, const fs::path& gpl_dir,
                                    std::string_view source_track, bool keep_skid_marks,
                                    bool sixteen_bit_sky, ProgressSink* progress) {
  return Guarded(services_.messages, [&] {
    ConversionRun run(*this,
                      {src_dir, gpl_dir, std::string(source_track), keep_skid_marks, sixteen_bit_sky,
                       progress});
    return run.RunNSeries();
  });
}

}  // namespace velmora
