#include "samples/installation_builder.h"

#include <array>
#include <system_error>

#include "platform/ascii.h"
#include "platform/file_system.h"
#include "samples/gpl_standard_files.h"
#include "samples/image_builders.h"
#include "samples/object_builders.h"
#include "samples/track_builders.h"

namespace velmora::samples {

namespace {

constexpr std::string_view kDemoTrack = "kestrel";

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  WriteFileBytesExact(path, bytes);
}

std::string SeasonFile(std::string_view first_event) {
  // Two events, the way GPL's own season files list theirs.
  return std::string("[Season]\r\nnumEvents=2\r\n\r\n[Event1]\r\nname=Mexican Grand Prix\r\n"
                     "shortname=Mexican GP\r\ntrackDirectory=mexico\r\nmonth=10\r\nday=22\r\n"
                     "numberOfLaps=65\r\nstartingGrid=4\r\n\r\n[Event2]\r\nname=") +
         std::string(first_event) +
         " Grand Prix\r\nshortname=Monza GP\r\ntrackDirectory=monza\r\nmonth=9\r\nday=10\r\n"
         "numberOfLaps=68\r\nstartingGrid=4\r\n";
}

// GPL's standard trackside files kept in its "mexico" track.
constexpr std::array<std::string_view, 18> kMexicoStandardFiles = {
    "bwpic.pbf",   "event.pbf",   "page0.pbf",   "page1.pbf",    "page2.pbf",
    "page3.pbf",   "page4.pbf",   "page5.pbf",   "starter.3do",  "groove.mip",
    "flagger.3do", "flagger.srb", "announce.wav", "crowd.wav",   "tire.3do",
    "tirefrnt.mip", "tireside.mip", "shadtire.mip"};

// gpl.exe, which tells the directory chooser the folder is GPL's, and the two season files.
void WriteGplSeasons(const fs::path& root) {
  WriteFile(root / "gpl.exe", Bytes("synthetic GPL installation"));
  WriteFile(root / "seasons" / "67season.ini", Bytes(SeasonFile("Italian")));
  WriteFile(root / "seasons" / "gp.ini", Bytes(SeasonFile("Italian")));
}

}  // namespace

void WriteSourceTrack(const fs::path& root, const SourceTrack& track) {
  const fs::path folder = root / track.tracks_spelling / track.folder;
  WriteFile(folder / (track.folder + ".dat"), BuildTrackArchive(track.members));
  for (const MemberBytes& file : track.loose) WriteFile(folder / file.name, file.bytes);
}

void WriteGplInstallation(const fs::path& root, bool with_tracks_folder) {
  WriteGplSeasons(root);
  if (!with_tracks_folder) return;
  std::vector<MemberBytes> members;
  for (std::string_view name : kMexicoStandardFiles) {
    members.push_back({std::string(name), Bytes("mexico:" + std::string(name))});
  }
  WriteFile(root / "tracks" / "mexico" / "mexico.dat", BuildTrackArchive(members));
}

void WriteSampleGplInstallation(const fs::path& root) {
  WriteGplSeasons(root);
  WriteFile(root / "tracks" / "mexico" / "mexico.dat",
            BuildTrackArchive(BuildGplStandardFiles()));
}

std::string SourceTrackDescription(std::string_view short_name, std::string_view full_name) {
  return "SNAME " + std::string(short_name) + "\r\nFNAME " + std::string(full_name) +
         "\r\nLENGT  2460\r\nBLAP  83250\r\n"
         "PIT 0 98425000 7874000 99015550 108267500 -413385 3937000 0 0 0 7874000\r\n";
}

void WriteCarriedResourcesFolder(const fs::path& folder, std::string_view template_track) {
  static constexpr std::array<std::string_view, 9> kCarried = {
      "N2GROOVE_MIP", "N4BLANK_3DO", "_TIRE_3DO",  "_HAY_3DO",     "_HAY_MIP",
      "_CONE_3DO",    "_CONE1_SRB",  "_CONEBS1_MIP", "PAGE2_PBF"};
  for (std::string_view name : kCarried) {
    WriteFile(folder / name, Bytes("resource:" + std::string(name)));
  }
  if (!template_track.empty()) {
    const std::string name = AsciiUpper(template_track) + "_N4T";
    WriteFile(folder / (name + ".trk"), BuildTemplateTrackFile());
  }
}

DemoInstallations WriteDemoInstallations(const fs::path& dir) {
  DemoInstallations demo{dir / "source", dir / "gpl", std::string(kDemoTrack)};
  const std::string description = SourceTrackDescription("Kestrel", "Kestrel Park Circuit");
  SourceTrack track;
  track.folder = demo.track;
  track.tracks_spelling = "Tracks";
  track.members = {{demo.track + ".txt", Bytes(description)}};
  AddDemoImages(track.members);
  AddDemoObjects(track.members);
  track.loose = {{demo.track + ".txt", Bytes(description)}};
  AddSampleTrackFiles(demo.track, track.members, track.loose);
  WriteSourceTrack(demo.source, track);
  WriteSampleGplInstallation(demo.gpl);
  return demo;
}

}  // namespace velmora::samples
