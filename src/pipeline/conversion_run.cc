#include "pipeline/conversion_run.h"

#include <array>

#include "pipeline/conversion_workspace.h"
#include "pipeline/file_stages.h"
#include "pipeline/finishing_stages.h"
#include "pipeline/geometry_stages.h"
#include "pipeline/image_stages.h"
#include "pipeline/object_stages.h"
#include "pipeline/track_name_table.h"
#include "platform/ascii.h"
#include "platform/file_system.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

constexpr std::array<std::string_view, 4> kCartTextureKinds = {".mip", ".mi4", ".m16", ".pcx"};
constexpr std::array<std::string_view, 3> kCartSpriteKinds = {".pmp", ".pm4", ".p16"};

// Sizes of race.lp that mark the newer layouts of two N-series tracks.
constexpr std::uintmax_t kSearsNewRaceLineSize = 11692;
constexpr std::uintmax_t kAtlanta70RaceLineSize = 8848;

bool RaceLineHasSize(const fs::path& src_dir, std::string_view source_track, std::uintmax_t size) {
  std::optional<std::uintmax_t> found =
      FileSize(src_dir / "Tracks" / std::string(source_track) / "race.lp");
  return found && *found == size;
}

// The season files are shared by every conversion into one GPL installation. When the front
// end runs several at once it gives a turn to take, and the edits happen under it.
void AddSeasonsInTurn(RunContext& run) {
  std::shared_ptr<void> turn;
  if (run.request.season_turn) {
    const fs::path seasons = run.request.gpl_dir / "seasons";
    turn = run.request.season_turn(ResolveExisting(seasons).value_or(seasons));
  }
  AddSeasons(run);
}

}  // namespace

std::string ConversionRun::NSeriesGplTrack(const fs::path& src_dir, std::string_view source_track) {
  if (EqualsIgnoreCase(source_track, "watglen")) return "Glen";
  if (EqualsIgnoreCase(source_track, "searspt") &&
      RaceLineHasSize(src_dir, source_track, kSearsNewRaceLineSize)) {
    return "Searsnew";
  }
  if (EqualsIgnoreCase(source_track, "atlanta") &&
      RaceLineHasSize(src_dir, source_track, kAtlanta70RaceLineSize)) {
    return "atlan70";
  }
  return std::string(source_track);
}

bool ConversionRun::RunCart() {
  RunContext& run = run_;
  StartOutput(run, BaseFolderOf(run.request.source_track));
  UnpackSource(run);
  SetProgressRange(run);
  LoadPalette(run, kCartPaletteMode);
  if (!PlaceTemplate(run, /*cart=*/true)) return false;
  if (run.converts_track_file && !ConvertSourceTrackFile(run)) return false;
  if (!PrepareGeometry(run)) return false;
  run.Step();
  run.workspace.AddToPack(run.GplTrackFile(run.gpl_track + ".trk"));
  if (!ExtractCarriedFiles(run, CartCarriedOrder())) return false;
  ConvertRacingLines(run);
  MakePatchSet(run);  // applied after the page images
  run.Step();
  for (std::string_view kind : kCartTextureKinds) ConvertTexturePass(run, kind, false);
  ConvertObjectPass(run);
  for (std::string_view kind : kCartSpriteKinds) ConvertSpritePass(run, kind);
  CopyStandardFiles(run, CartMexicoOrder());
  run.Step();
  run.workspace.ExtractResource("PAGE2_PBF", "page2.pbf", true);  // a missing one was told
  MakePageImages(run);
  ApplyPatchesReported(run);
  PackStandardFiles(run);
  run.Step();
  WriteTrackIniIfMissing(run);
  // A pack that cannot be written was told, and the converted files stay loose in the track
  // folder, where GPL still finds them: the seasons still list the track, but the run did
  // not finish.
  const bool packed = WritePackWithArchivePatches(run);
  run.Step();
  AddSeasonsInTurn(run);
  return packed;
}

bool ConversionRun::RunNSeries() {
  RunContext& run = run_;
  StartOutput(run, NSeriesGplTrack(run.request.src_dir, run.request.source_track));
  if (!PlaceTemplate(run, /*cart=*/false)) return false;
  UnpackSource(run);
  if (!ExtractCarriedFiles(run, NSeriesCarriedOrder())) return false;
  SetProgressRange(run);
  LoadPalette(run, kNSeriesPaletteMode);
  if (run.converts_track_file && !ConvertSourceTrackFile(run)) return false;
  if (!PrepareGeometry(run)) return false;
  run.workspace.AddToPack(run.GplTrackFile(run.gpl_track + ".trk"));
  ConvertRacingLines(run);
  MakePatchSet(run);
  ApplyPatches(run);  // the first pass reports nothing
  run.Step();
  ConvertTexturePass(run, ".mip", run.request.sixteen_bit_sky);
  ConvertObjectPass(run);
  ConvertSpritePass(run, ".srb");
  CopyStandardFiles(run, NSeriesMexicoOrder());
  run.workspace.ExtractResource("PAGE2_PBF", "page2.pbf", true);  // a missing one was told
  MakePageImages(run);
  ApplyPatchesReported(run);
  run.Step();
  PackStandardFiles(run);
  WriteTrackIniIfMissing(run);
  // A pack that cannot be written was told, and the converted files stay loose in the track
  // folder, where GPL still finds them: the seasons still list the track, but the run did
  // not finish.
  const bool packed = WritePackWithArchivePatches(run);
  run.Step();
  AddSeasonsInTurn(run);
  return packed;
}

}  // namespace velmora
