#ifndef VELMORA_PIPELINE_CONVERSION_RUN_H_
#define VELMORA_PIPELINE_CONVERSION_RUN_H_

#include <filesystem>
#include <string>
#include <string_view>

#include "pipeline/run_context.h"

namespace velmora {

// One run of a pipeline: the two step lists over one RunContext. The CART/ICR2 and the
// N-series pipelines share every stage and differ in their order, the GPL track name, the
// carried files' order, the palette mode, the file kinds converted, the patch passes and where
// the bar steps; RunCart and RunNSeries spell each order out. The stages themselves live in
// the *_stages.h headers. Both return false when the run stopped early.
class ConversionRun {
 public:
  ConversionRun(const Services& services, ConversionWorkspace& workspace, RunRequest request)
      : run_(services, workspace, std::move(request)) {}
  ConversionRun(const ConversionRun&) = delete;
  ConversionRun& operator=(const ConversionRun&) = delete;

  bool RunCart();
  bool RunNSeries();

  // The GPL track name an N-series source track converts into: "watglen" becomes "Glen";
  // "searspt" becomes "Searsnew" and "atlanta" "atlan70" when the source track folder holds a
  // race.lp of the size those games ship for the newer layout. Any other keeps its name.
  static std::string NSeriesGplTrack(const std::filesystem::path& src_dir,
                                     std::string_view source_track);

 private:
  RunContext run_;
};

}  // namespace velmora

#endif  // VELMORA_PIPELINE_CONVERSION_RUN_H_
