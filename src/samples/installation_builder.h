#ifndef VELMORA_SAMPLES_INSTALLATION_BUILDER_H_
#define VELMORA_SAMPLES_INSTALLATION_BUILDER_H_

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "samples/archive_builder.h"

namespace velmora::samples {

namespace fs = std::filesystem;

// A source track as installed: <root>/<tracks>/<folder>/<folder>.dat holding `members`, and
// `loose` files beside the archive. `tracks_spelling` lets a test spell the folder like a
// copied Windows install ("Tracks", "TRACKS").
struct SourceTrack {
  std::string folder;
  std::vector<MemberBytes> members;
  std::vector<MemberBytes> loose;
  std::string tracks_spelling = "tracks";
};
void WriteSourceTrack(const fs::path& root, const SourceTrack& track);

// A GPL installation: gpl.exe, tracks/mexico/mexico.dat holding the standard files (each
// holding the text "mexico:<name>"), and seasons/67season.ini and seasons/gp.ini.
// `with_tracks_folder` false leaves out the tracks folder (and so the mexico track).
void WriteGplInstallation(const fs::path& root, bool with_tracks_folder = true);
// The same installation with GPL's standard files as valid files of their kinds (menu pages,
// textures, a sprite, objects, sounds), as velmora demo and the batch benchmark write it.
void WriteSampleGplInstallation(const fs::path& root);

// A description text <folder>.txt of a source track, as the source games ship them.
std::string SourceTrackDescription(std::string_view short_name, std::string_view full_name);

// A resources folder holding the eight carried files every conversion writes, "PAGE2_PBF" and,
// when `template_track` is not empty, the geometry template "<TRACK>_N4T", a real newest-layout
// track file (the sample circuit). The carried files' bytes are recognisable placeholders
// ("resource:<NAME>"), for tests of the run's frame only.
void WriteCarriedResourcesFolder(const fs::path& folder, std::string_view template_track);

// What `velmora demo` writes: a CART/ICR2 installation with one track and a GPL installation.
struct DemoInstallations {
  fs::path source;
  fs::path gpl;
  std::string track;  // the sample track's folder name
};
DemoInstallations WriteDemoInstallations(const fs::path& dir);

}  // namespace velmora::samples

#endif  // VELMORA_SAMPLES_INSTALLATION_BUILDER_H_
