#ifndef VELMORA_PIPELINE_CONVERSION_RUN_H_
#define VELMORA_PIPELINE_CONVERSION_RUN_H_

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "image/texture_palette.h"
#include "track/patch_set.h"
#include "track/racing_lines.h"
#include "track/track_archive.h"
#include "track/track_geometry.h"

namespace velmora {

class ProgressSink;
class TrackConverter;
class ConversionWorkspace;

// The arguments of one pipeline call.
struct RunRequest {
  std::filesystem::path src_dir;
  std::filesystem::path gpl_dir;
  std::string source_track;
  bool keep_skid_marks = false;
  bool sixteen_bit_sky = false;  // N2, N3 and NL only
  ProgressSink* progress = nullptr;
};

// One run of a pipeline: the per-run state and the steps both pipelines are made of. The
// CART/ICR2 and the N-series pipelines share every step and differ in their order, the GPL
// track name, the carried files' order, the palette mode, the file kinds converted, the patch
// passes and where the bar steps; RunCart and RunNSeries spell each order out.
class ConversionRun {
 public:
  ConversionRun(TrackConverter& converter, RunRequest request);
  ~ConversionRun();
  ConversionRun(const ConversionRun&) = delete;
  ConversionRun& operator=(const ConversionRun&) = delete;

  bool RunCart();
  bool RunNSeries();

  // The GPL track name an N-series source track converts into: "watglen" becomes "Glen";
  // "searspt" becomes "Searsnew" and "atlanta" "atlan70" when the source track folder holds a
  // race.lp of the size those games ship for the newer layout.
  // The track every stage after the geometry asks (T2); null before it is loaded.
  const TrackGeometry* track() const { return t2_ ? &*t2_ : nullptr; }

  static std::string NSeriesGplTrack(const std::filesystem::path& src_dir,
                                     std::string_view source_track);

 private:
  // Steps shared by both pipelines.
  void StartOutput(std::string gpl_track);
  void UnpackSource();
  void SetProgressRange();
  bool PlaceTemplate(bool cart);
  bool ExtractCarriedFiles(std::span<const std::string_view> order);
  void ConvertTexturePass(std::string_view extension, bool sixteen_bit);
  void ConvertObjectPass();
  void ConvertSpritePass(std::string_view extension);
  void CopyStandardFiles(std::span<const std::string_view> order);
  // The patch pass whose result is reported: no patch found is told to the user.
  void ApplyPatchesReported();
  void PackStandardFiles();
  void WriteTrackIniIfMissing();
  void Step();
  std::filesystem::path GplTrackFile(std::string_view name) const;

  // The conversion stages, one source file per kind of stage (image_stages.cc,
  // geometry_stages.cc, object_stages.cc, patch_stage.cc, track_ini_stage.cc, season_stage.cc).
  void LoadPalette(const std::filesystem::path& path, int mode);
  bool ConvertSourceTrackFile();
  bool PrepareGeometry();
  void ConvertRacingLines();
  void MakePatchSet();
  int ApplyPatches();
  bool ConvertTexture(const std::filesystem::path& source, const std::filesystem::path& output,
                      bool sixteen_bit);
  bool ConvertObject(const std::filesystem::path& source, const std::filesystem::path& output);
  bool ConvertSprite(const std::filesystem::path& source, const std::filesystem::path& output);
  void WriteTrackIni(const std::filesystem::path& description,
                     const std::filesystem::path& working_ini,
                     const std::filesystem::path& destination);
  void AddSeasons();

  TrackConverter& converter_;
  ConversionWorkspace& workspace_;
  RunRequest request_;
  // The option "N2N4TrkConvert", read once per run.
  int track_file_conversion_ = 0;
  std::string gpl_track_;
  std::filesystem::path src_track_folder_;
  std::filesystem::path tmp_folder_;

  // Released in the reverse of this order when the run ends: mexico archive, patch set,
  // racing lines, T2, T1, source archive.
  TrackArchive source_archive_;
  // T1: the track file placed in the GPL track folder; T2: its GPL-layout copy in the
  // temporary folder, the track every later stage asks.
  std::optional<TrackGeometry> t1_;
  std::optional<TrackGeometry> t2_;
  std::optional<RacingLines> racing_lines_;
  TexturePalette palette_;
  std::optional<PatchSet> patch_set_;
  std::optional<TrackArchive> mexico_archive_;
};

}  // namespace velmora

#endif  // VELMORA_PIPELINE_CONVERSION_RUN_H_
