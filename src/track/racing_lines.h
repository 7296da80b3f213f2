#ifndef VELMORA_TRACK_RACING_LINES_H_
#define VELMORA_TRACK_RACING_LINES_H_

// Racing lines (.lp): where the computer drivers drive.
//
//   source line file (read):
//     0  u32  point count M
//     4  M x 12 bytes: speed (i32), second (i32), dlat (i32, track units)
//   GPL line file (written, and read back by LoadLines):
//     0  u32  65538 when written; not checked when read
//     4  u32  point count N
//     8  N x 20 bytes: speed (f32), second (f32, source second x 2e-05), dlat (f32, metres),
//        lat_rate (f32), 0 (u32)
//   GPL's points lie 3 metres apart: point k at dlong 3 x k x 19685.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"
#include "platform/units.h"
#include "track/track_geometry.h"

namespace velmora {

class PathResolver;

inline constexpr std::uint32_t kGplLineTag = 65538;  // 0x00010002
inline constexpr std::size_t kSourcePointSize = 12;
inline constexpr std::size_t kGplPointSize = 20;
inline constexpr double kPointSpacing = kUnitsPerMetre * 3.0;  // track units between GPL points

struct LinePoint {
  float speed = 0;
  float second = 0;
  float dlat = 0;  // metres
  float lat_rate = 0;
};

// The six racing lines of one conversion. ConvertAll resamples a source track's lines into
// GPL's files using a track it is given (not owned); LoadLines reads GPL's files back, and
// the track too when asked (then owned), for the braking and groove queries.
class RacingLines {
 public:
  RacingLines() = default;
  RacingLines(const RacingLines&) = delete;
  RacingLines& operator=(const RacingLines&) = delete;

  // Converts "Race.lp", "pit.lp", "pass1.lp", "pass2.lp", "maxrace.lp" and "minrace.lp" from
  // `source_folder` into `dest_folder`. A missing source line is skipped: it is no failure.
  // IOError for the first line that could not be written; the others are still converted. The
  // track must outlive the call.
  Status ConvertAll(const std::filesystem::path& source_folder,
                    const std::filesystem::path& dest_folder, const TrackGeometry& geometry);
  // One line: NotFound when the source line is missing, IOError when it cannot be written.
  Status ConvertLine(std::string_view name, double scale, bool pit);
  // The track the lines are converted against and the GPL track folder they are written into
  // (its name picks the per-track point counts); ConvertAll sets both.
  void SetTrack(const TrackGeometry& geometry, const std::filesystem::path& dest_folder);
  // One source line's bytes as GPL's line file bytes; `name` says which line it is.
  std::vector<std::uint8_t> ConvertLineBytes(std::string_view name,
                                             std::span<const std::uint8_t> source, double scale,
                                             bool pit) const;
  // One GPL line file's bytes into the line its file name ("race.lp", ...) says.
  void LoadLineBytes(std::string_view file, std::span<const std::uint8_t> bytes);

  // Reads the GPL lines of `folder`; with a track name, also the track file of that name, or
  // the one inside the track's archive when there is no loose file. The lines found are read
  // either way; the status tells whether the named track could be loaded.
  Status LoadLines(const std::filesystem::path& folder,
                   std::optional<std::string_view> track_name = std::nullopt);

  // How hard the race line brakes near `dlong`, 0 to 1 of the lap's hardest braking.
  double BrakingAt(std::int32_t dlong);
  // Lateral position in metres of the worn groove at `dlong`.
  double GrooveDlatAt(std::int32_t dlong) const;

  // GPL's point count for a lap of the given track. The per-track counts look for track names
  // in `rule_path`, the destination as seen from the GPL folder ("tracks/<track>/"), never in
  // the folders above it.
  static std::int64_t PointCount(const TrackGeometry& geometry, std::string_view rule_path);

  const TrackGeometry* geometry() const { return geometry_; }
  const std::vector<LinePoint>& race() const { return race_; }
  const std::vector<LinePoint>& pass1() const { return pass1_; }
  const std::vector<LinePoint>& pass2() const { return pass2_; }
  const std::vector<LinePoint>& maxrace() const { return maxrace_; }
  const std::vector<LinePoint>& minrace() const { return minrace_; }
  std::uint32_t point_count() const { return point_count_; }

 // The line files are looked up through the run's resolver when one is given (it outlives this
  // object), else through file_system.h.
  void SetResolver(PathResolver* resolver) { resolver_ = resolver; }

 private:
  std::optional<std::vector<std::uint8_t>> ReadLineFile(const std::filesystem::path& path);
  bool WriteLineFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

  // Turning sense of the track at a distance: 0 straight or outside, -1 right, +1 left.
  int TurnSenseAt(std::int64_t dlong) const;

  PathResolver* resolver_ = nullptr;
  std::filesystem::path source_folder_;
  std::filesystem::path dest_folder_;
  std::string dest_name_;  // "tracks/<track>/" lowercased, for the per-track rules
  const TrackGeometry* geometry_ = nullptr;
  std::unique_ptr<TrackGeometry> owned_geometry_;
  float brake_scale_ = 0;
  std::vector<LinePoint> race_;
  std::vector<LinePoint> pass1_;
  std::vector<LinePoint> pass2_;
  std::vector<LinePoint> maxrace_;
  std::vector<LinePoint> minrace_;
  std::uint32_t point_count_ = 0;
};

}  // namespace velmora

#endif  // VELMORA_TRACK_RACING_LINES_H_
