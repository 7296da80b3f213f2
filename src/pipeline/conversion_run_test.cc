// Whole runs of both pipelines on small source tracks: the order of the stages and of the files
// in the pack, the messages, where a run stops and what it leaves, and the progress count.
#include "pipeline/conversion_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "image/mip_file.h"
#include "pipeline/track_converter.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/resource_store.h"
#include "platform/settings.h"
#include "platform/temp_folder.h"
#include "resources/embedded_files.h"
#include "samples/image_builders.h"
#include "samples/installation_builder.h"
#include "samples/object_builders.h"
#include "samples/track_builders.h"
#include "testing/deep_folder.h"
#include "testing/disk_probe.h"
#include "testing/recording_progress.h"
#include "testing/scoped_env.h"
#include "track/track_archive.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using samples::Bytes;
using samples::MemberBytes;
using Names = std::vector<std::string>;

constexpr std::string_view kPatchMessage1 = "No Patch Files Found for ";
constexpr std::string_view kPatchMessage2 = "Check your installation of the converter";

// A PCX header of `planes` planes of 8 bits each.
std::vector<std::uint8_t> PcxHeader(std::uint8_t planes) {
  std::vector<std::uint8_t> header(128, 0);
  header[0] = 10;
  header[1] = 5;
  header[2] = 1;
  header[3] = 8;
  header[65] = planes;
  return header;
}

// Counts the steps and calls `on_step` at each.
class WatchingProgress : public testkit::RecordingProgress {
 public:
  explicit WatchingProgress(std::function<void()> on_step) : on_step_(std::move(on_step)) {}
  void Step() override {
    RecordingProgress::Step();
    on_step_();
  }

 private:
  std::function<void()> on_step_;
};

class ConversionRunTest : public ::testing::Test {
 protected:
  void SetUp() override { samples::WriteGplInstallation(gpl_); }

  void AddSourceTrack(const std::string& folder, std::vector<MemberBytes> members = {},
                      std::vector<MemberBytes> loose = {}) {
    samples::WriteSourceTrack(src_, {folder, std::move(members), std::move(loose), "Tracks"});
  }

  bool Run(SourceGame game, const std::string& track, RunRequest request = {},
           std::span<const EmbeddedFile> embedded = EmbeddedFiles()) {
    request.src_dir = src_;
    request.gpl_dir = gpl_;
    request.source_track = track;
    request.track_file_control = "the track file control";
    ResourceStore resources(embedded, resources_);
    TrackConverter converter(Services{messages_, settings_, resources});
    const bool finished = converter.Convert(game, request);
    pack_list_.clear();
    for (const fs::path& path : converter.workspace().pack_list()) {
      pack_list_.push_back(path.filename().string());
    }
    scans_ = converter.workspace().resolver().scans();
    return finished;
  }
  bool Shown(std::string_view prefix, std::string_view suffix) const {
    return std::any_of(
        messages_.messages().begin(), messages_.messages().end(),
        [&](const std::string& m) { return m.starts_with(prefix) && m.ends_with(suffix); });
  }

  Names FolderFiles(const fs::path& folder) {
    Names names;
    std::optional<fs::path> found = ResolveExisting(folder);
    if (!found) return names;
    for (const auto& entry : fs::directory_iterator(*found)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  // A member of a pack, or nothing.
  static std::vector<std::uint8_t> Member(const fs::path& pack_path, std::string_view name) {
    TrackArchive pack;
    if (!pack.Open(pack_path).ok() || !pack.Unpack().ok() || !pack.HeldMember(name)) return {};
    return {pack.HeldMember(name)->begin(), pack.HeldMember(name)->end()};
  }
  Names PackDirectory(const fs::path& pack) {
    TrackArchive archive;
    Names names;
    if (archive.Open(pack).IsNotFound()) return names;
    for (const ArchiveEntry& entry : archive.entries()) names.push_back(entry.name);
    return names;
  }

  std::optional<TempFolder> folder_ = TempFolder::Create("test");
  fs::path src_ = folder_->path() / "cart";
  fs::path gpl_ = folder_->path() / "gpl";
  fs::path resources_ = folder_->path() / "resources";
  Settings settings_{folder_->path() / "Velmora.INI", "/home/racer"};
  RecordingMessageSink messages_;
  Names pack_list_;
  std::size_t scans_ = 0;
};

TEST_F(ConversionRunTest, MissingTemplateMessagesDependOnTheOption) {
  struct Row {
    SourceGame game;
    std::optional<int> option;  // nothing: not in the settings file (automatic)
    bool finished;
    Names messages;
  };
  const std::string lookup = "Failed to find resource detroit_N4T";
  const std::string unset = "GPL directory not correctly set?";
  const std::string patches1 = std::string(kPatchMessage1) + "detroit";
  const std::string patches2(kPatchMessage2);
  // At 1 the source track's own file takes the template's place; any other value goes on
  // without a track file, which the geometry stage cannot load.
  // The run names the file as it builds it, in the spelling the disk's lookup gives.
  const std::string no_track_file =
      "Cannot load the track file " +
      (ResolveForWrite(gpl_ / "Tracks") / "detroit" / "detroit.trk").string() +
      ": it cannot be read";
  const std::vector<Row> rows = {
      {SourceGame::kCart, 0, false, {lookup, unset}},
      {SourceGame::kCart, 1, true, {lookup, unset, patches1, patches2}},
      {SourceGame::kCart, 2, false, {lookup, unset, no_track_file}},
      {SourceGame::kCart, std::nullopt, true, {patches1, patches2}},
      {SourceGame::kN3, 0, false, {lookup, unset}},
      {SourceGame::kN3, 1, true, {lookup, patches1, patches2}},
      {SourceGame::kN3, 2, false, {lookup, no_track_file}},
      {SourceGame::kN3, std::nullopt, true, {patches1, patches2}},
  };
  samples::WriteCarriedResourcesFolder(resources_, "");
  std::vector<MemberBytes> members, loose;
  samples::AddSampleTrackFiles("detroit", members, loose);
  AddSourceTrack("detroit", members, loose);
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << (row.game == SourceGame::kCart ? "cart" : "n-series")
                                      << " option " << row.option.value_or(-99));
    settings_.SetTrackFileConversion(row.option);
    messages_.Clear();
    EXPECT_EQ(Run(row.game, "detroit"), row.finished);
    EXPECT_EQ(messages_.messages(), row.messages);
    // A run that stops there says what to do, naming the front end's control.
    EXPECT_EQ(messages_.hints(),
              row.option == 0
                  ? Names{"The geometry template detroit_N4T is missing: put a file of that "
                          "name into the resources folder (setting Resources, option "
                          "--resources), or convert the source game's own track file (the "
                          "track file control)."}
                  : Names{});
    // Only the automatic choice tells, outside the system's messages, what it did instead.
    EXPECT_EQ(messages_.notes(),
              row.option ? Names{}
                         : Names{"no geometry template detroit_N4T was found, so the track's "
                                 "own geometry file detroit.trk was converted"});
    if (row.finished) {
      EXPECT_NE(std::find(pack_list_.begin(), pack_list_.end(), "detroit.trk"), pack_list_.end());
      EXPECT_TRUE(FileExists(gpl_ / "tracks" / "detroit" / "detroit.dat"));
      EXPECT_TRUE(FileExists(gpl_ / "tracks" / "detroit" / "Race.lp"));
    }
  }
}

// A geometry file that cannot be had stops both pipelines, naming the file.
TEST_F(ConversionRunTest, GeometryStopsNameTheFile) {
  struct Row {
    const char* what;
    int option;
    bool track_file, temp_too_deep;
    std::string_view template_bytes;                         // empty: no template
    std::vector<std::pair<std::string, std::string>> shown;  // prefix, suffix
  };
  const fs::path deep = testkit::MakeTooDeepFolder(folder_->path());
  const std::string made = deep.string() + "/dir";
  const std::vector<Row> rows = {
      {"no source track file",
       1,
       false,
       false,
       "",
       {{"Cannot convert the track file ", "kestrel.trk: it cannot be read"}}},
      {"damaged template",
       0,
       true,
       false,
       "KART",
       {{"Cannot load the track file ", "kestrel.trk: it is shorter than its 28-byte header"}}},
#ifndef _WIN32
      // The archive's members and the placed track are named as the paths they would have had.
      {"unmade temporary folder",
       0,
       true,
       true,
       "template",
       {{"CreateDirectory Failed:- " + made, ""},
        {"CreateFile from .DAT :- " + made, ""},
        {"Cannot write the track file " + made, "/kestrel.trk"}}},
#endif
  };
  for (const SourceGame game : {SourceGame::kCart, SourceGame::kN2}) {
    for (const Row& row : rows) {
      SCOPED_TRACE(::testing::Message() << row.what << (game == SourceGame::kCart ? " cart" : ""));
      fs::remove_all(gpl_ / "tracks" / "kestrel");
      fs::remove_all(resources_);
      samples::WriteCarriedResourcesFolder(resources_, row.template_bytes.empty() ? "" : "kestrel");
      if (row.template_bytes == "KART")
        WriteFileBytes(resources_ / "KESTREL_N4T.trk", Bytes("KART"));
      std::vector<MemberBytes> members, loose;
      samples::AddSampleTrackFiles("kestrel", members, loose);
      if (!row.track_file) members.clear();
      AddSourceTrack("kestrel", members, loose);
      settings_.SetTrackFileConversion(row.option);
      messages_.Clear();
      std::optional<testkit::ScopedEnv> in_deep;
      if (row.temp_too_deep) in_deep.emplace(testkit::kTempVariable, deep.string().c_str());
      EXPECT_FALSE(Run(game, "kestrel"));
      for (const auto& [prefix, suffix] : row.shown) {
        EXPECT_TRUE(Shown(prefix, suffix)) << prefix << " ... " << suffix;
      }
      EXPECT_FALSE(FileExists(gpl_ / "tracks" / "kestrel" / "Race.lp"));
      EXPECT_FALSE(FileExists(gpl_ / "tracks" / "kestrel" / "kestrel.dat"));
    }
  }
}

// The CART run: geometry, carried files, pages, textures, objects, sprites, GPL's standard
// files, in that order in the pack. The archive's members are read from memory, never unpacked
// into the temporary folder, and each folder is listed at most once: the GPL track folder, and
// the source track folder where it looks for racing lines this track lacks.
TEST_F(ConversionRunTest, FullCartRunPacksInTheRunsOrder) {
  samples::WriteCarriedResourcesFolder(resources_, "detroit");
  std::vector<MemberBytes> members = {{"sunny.pcx", PcxHeader(1)},  // 8-bit: not a texture
                                      {"junk.mip", Bytes("not a texture")},
                                      {"junk.3do", Bytes("not an object")}};
  samples::AddDemoImages(members);
  samples::AddDemoObjects(members);
  samples::Object3Builder own;  // the track's own object takes the GPL track's name
  own.Sprite(own.Vertex(0, 0, 0), "ktree", 0xC0004CE5);
  members.push_back({"DETHQ.3do", own.Build()});
  AddSourceTrack("dethq", members);
  const fs::path temp = folder_->path() / "temp";
  fs::create_directories(temp);
  std::size_t most_temp_files = 0;
  WatchingProgress progress([&] {
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(temp))
      files += entry.is_regular_file();
    most_temp_files = std::max(most_temp_files, files);
  });
  {
    testkit::ScopedEnv in_temp(testkit::kTempVariable, temp.string().c_str());
    ASSERT_TRUE(Run(SourceGame::kCart, "dethq", {.progress = &progress}));
  }
  EXPECT_EQ(messages_.messages(),
            (Names{std::string(kPatchMessage1) + "detroit", std::string(kPatchMessage2)}));
  const fs::path track_folder = gpl_ / "tracks" / "detroit";
  EXPECT_EQ(
      PackDirectory(track_folder / "detroit.dat"),
      (Names{"detroit.trk", "groove.mip", "_blank_.3do", "_tire.3do", "_hay.3do", "hayba_s.mip",
             "_cone.3do", "_cone1.srb", "_conebs1.mip",
             // textures (not junk.mip, not the 8-bit sunny.pcx), objects, sprites
             "kbarrier.mip", "kwall.mip", "ksky.mip", "kbanner.mip", "detroit.3do", "kboards.3do",
             "khoriz.3do", "kstand.3do", "ktrack.3do", "ktree.srb", "kmarker.srb", "kflag.srb",
             // pages, then GPL's standard files
             "page2.pbf", "page0.pbf", "page1.pbf", "event.pbf", "bwpic.pbf", "page3.pbf",
             "page4.pbf", "page5.pbf", "starter.3do", "flagger.3do", "flagger.srb", "tire.3do",
             "tireside.mip", "tirefrnt.mip", "shadtire.mip", "crowd.wav", "announce.wav"}));
  // The destruction of the converter removed every packed file: the pack is what is left.
  EXPECT_EQ(FolderFiles(track_folder), Names{"detroit.dat"});
  EXPECT_GT(progress.steps(), 6);
  EXPECT_EQ(most_temp_files, 0u);
  EXPECT_TRUE(fs::is_empty(temp));
  EXPECT_LE(scans_, 2u);

  // GPL's own groove texture replaced the carried one before packing.
  EXPECT_EQ(Member(track_folder / "detroit.dat", "groove.mip"), Bytes("mexico:groove.mip"));
  EXPECT_EQ(Member(track_folder / "detroit.dat", "detroit.trk"), samples::BuildTemplateTrackFile());
}

// The N-series run: its own order of the carried files, and of the image kinds only .mip and
// .srb, with the 16-bit request sending "skyindex" to 16 bits.
TEST_F(ConversionRunTest, FullNSeriesRunWritesTheCarriedFilesInItsOwnOrder) {
  samples::WriteCarriedResourcesFolder(resources_, "Glen");
  auto checker = [](int x, int y) {
    return static_cast<std::uint8_t>((x / 4 + y / 4) % 2 ? 40 : 50);
  };
  AddSourceTrack("watglen", {{"watglen.3do", Bytes("object")},
                             {"skyindex.mip", samples::BuildMip8(64, 64, checker)},
                             {"wall.mip", samples::BuildMip8(64, 64, checker)},
                             {"old.mi4", samples::BuildRaw4(16, 16, checker, {}, false)},
                             {"marshal.srb",
                              samples::BuildNSeriesSrb(20, 30, 19685, 19685, 10, 30, 0, checker)}});
  ASSERT_TRUE(Run(SourceGame::kN3, "watglen", {.sixteen_bit_sky = true}));
  EXPECT_EQ(messages_.messages(),
            (Names{std::string(kPatchMessage1) + "Glen", std::string(kPatchMessage2)}));
  EXPECT_EQ(PackDirectory(gpl_ / "tracks" / "Glen" / "Glen.dat"),
            (Names{"glen.trk",     "groove.mip",   "_blank_.3do", "_tire.3do",    "_cone.3do",
                   "_hay.3do",     "hayba_s.mip",  "_cone1.srb",  "_conebs1.mip", "skyindex.mip",
                   "wall.mip",     "marshal.srb",  "page2.pbf",   "page0.pbf",    "page1.pbf",
                   "event.pbf",    "bwpic.pbf",    "page3.pbf",   "page4.pbf",    "page5.pbf",
                   "starter.3do",  "flagger.3do",  "flagger.srb", "tire.3do",     "tireside.mip",
                   "tirefrnt.mip", "shadtire.mip", "crowd.wav",   "announce.wav"}));
  EXPECT_EQ(FolderFiles(gpl_ / "tracks" / "Glen"), Names{"Glen.dat"});
  const std::vector<std::uint8_t> sky =
      Member(gpl_ / "tracks" / "Glen" / "Glen.dat", "skyindex.mip");
  const std::vector<std::uint8_t> wall = Member(gpl_ / "tracks" / "Glen" / "Glen.dat", "wall.mip");
  ASSERT_TRUE(sky.size() > 24 && wall.size() > 24);
  EXPECT_EQ(sky[24], kMipType16Bit);
  EXPECT_EQ(wall[24], kMipType4Bit);
}

// "watglen" converts into "Glen": its archive patch glen.zad goes into the one pack Glen.dat,
// written once, with the patch's members in place or after the run's.
TEST_F(ConversionRunTest, AnArchivePatchGoesIntoThePackOfTheCapitalisedTrackOnce) {
  samples::WriteCarriedResourcesFolder(resources_, "Glen");
  AddSourceTrack("watglen", {{"watglen.3do", Bytes("object")}});
  ASSERT_TRUE(Run(SourceGame::kN2, "watglen"));
  const fs::path pack_path = gpl_ / "tracks" / "Glen" / "Glen.dat";
  Names expected = PackDirectory(pack_path);
  expected.push_back("extra.txt");

  const fs::path patches = folder_->path() / "patches";
  fs::create_directories(patches);
  settings_.Override(kDirectoriesSection, kPatchesKey, patches.string() + "/");
  WriteFileBytes(patches / "glen.zad",
                 samples::BuildTrackArchive(
                     {{"EXTRA.TXT", Bytes("from the patch")}, {"_hay.3do", Bytes("patched hay")}}));
  std::vector<std::optional<std::vector<std::uint8_t>>> states = {ReadFileBytes(pack_path)};
  WatchingProgress watch([&] {
    if (ReadFileBytes(pack_path) != states.back()) states.push_back(ReadFileBytes(pack_path));
  });
  ASSERT_TRUE(Run(SourceGame::kN2, "watglen", {.progress = &watch}));
  EXPECT_EQ(FolderFiles(pack_path.parent_path()), Names{"Glen.dat"});
  EXPECT_EQ(PackDirectory(pack_path), expected);
  EXPECT_EQ(Member(pack_path, "_hay.3do"), Bytes("patched hay"));
  EXPECT_EQ(states.size(), 2u) << "the earlier pack, then the new one: written once";
}

TEST_F(ConversionRunTest, StoppedRunLeavesNoListedFileAndNoPack) {
  // The template and two carried files are there; the third carried file is missing.
  fs::create_directories(resources_);
  WriteFileBytes(resources_ / "DETROIT_N4T", samples::BuildTemplateTrackFile());
  WriteFileText(resources_ / "N2GROOVE_MIP", "groove");
  WriteFileText(resources_ / "N4BLANK_3DO", "blank");
  AddSourceTrack("detroit");
  EXPECT_FALSE(Run(SourceGame::kCart, "detroit", {}, {}));
  EXPECT_EQ(messages_.messages(), Names{"Failed to find resource _TIRE_3DO"});
  EXPECT_EQ(pack_list_, (Names{"detroit.trk", "groove.mip", "_blank_.3do"}));
  EXPECT_TRUE(FolderFiles(gpl_ / "tracks" / "detroit").empty());
}

TEST_F(ConversionRunTest, GplFolderWithoutTracksFolderStops) {
  fs::remove_all(gpl_ / "tracks");
  samples::WriteCarriedResourcesFolder(resources_, "detroit");
  AddSourceTrack("dethq");
  EXPECT_FALSE(Run(SourceGame::kCart, "dethq"));
  EXPECT_EQ(messages_.messages(),
            (Names{"Failed To Open " + (gpl_ / "Tracks" / "detroit" / "detroit.trk").string() +
                       " For Writing",
                   "GPL directory not correctly set?"}));
}

TEST_F(ConversionRunTest, ProgressCountsTheArchiveAndStepsPerFile) {
  samples::WriteCarriedResourcesFolder(resources_, "detroit");
  // Ten members: the range is 0 .. 12 ("." and ".." count), starting at 2.
  AddSourceTrack("detroit", {{"sunny.pcx", PcxHeader(1)},
                             {"a.mip", Bytes("t")},
                             {"b.mi4", Bytes("t")},
                             {"c.m16", Bytes("t")},
                             {"d.pcx", PcxHeader(3)},
                             {"e.pcx", PcxHeader(1)},
                             {"f.3do", Bytes("o")},
                             {"g.pmp", Bytes("s")},
                             {"h.pm4", Bytes("s")},
                             {"i.srb", Bytes("s")}});
  testkit::RecordingProgress cart;
  ASSERT_TRUE(Run(SourceGame::kCart, "detroit", {.progress = &cart}));
  EXPECT_EQ(cart.low(), 0);
  EXPECT_EQ(cart.high(), 12);
  // Geometry 1, patch set 1, textures 5 (a, the copied groove, b, c, the 24-bit d; the 8-bit
  // PCX files do not count), object 1, sprites 2, standard files 1, pack list 1, pack 1.
  EXPECT_EQ(cart.steps(), 13);
  EXPECT_EQ(cart.position(), 15);

  testkit::RecordingProgress nseries;
  ASSERT_TRUE(Run(SourceGame::kN3, "detroit", {.progress = &nseries}));
  // The N series counts after the carried groove texture joined the unpacked files.
  EXPECT_EQ(nseries.high(), 13);
  // First patch pass 1, textures 2 (a and the copied groove), object 1, sprite 1, second patch
  // pass 1, pack 1.
  EXPECT_EQ(nseries.steps(), 7);
}

TEST_F(ConversionRunTest, FoldersOfAnyCaseAreFound) {
  fs::rename(gpl_ / "tracks", gpl_ / "TRACKS");
  samples::WriteCarriedResourcesFolder(resources_, "detroit");
  samples::WriteSourceTrack(src_, {"DETHQ", {{"DETHQ.3DO", Bytes("o")}}, {}, "TRACKS"});
  ASSERT_TRUE(Run(SourceGame::kCart, "dethq"));
  if (!testkit::DiskIgnoresCase(gpl_)) EXPECT_FALSE(fs::exists(gpl_ / "Tracks"));
  // The mexico files were found in the upper-case folder too.
  EXPECT_EQ(PackDirectory(gpl_ / "TRACKS" / "detroit" / "detroit.dat").size(), 26u);
}

TEST(NSeriesGplTrackTest, RenamesByFolderAndRaceLineSize) {
  std::optional<TempFolder> folder = TempFolder::Create("test");
  const fs::path src = folder->path();
  auto race_line = [&](const std::string& track, std::size_t size) {
    fs::create_directories(src / "tracks" / track);
    WriteFileBytes(src / "tracks" / track / "RACE.LP", std::vector<std::uint8_t>(size));
  };
  EXPECT_EQ(ConversionRun::NSeriesGplTrack(src, "watglen"), "Glen");
  EXPECT_EQ(ConversionRun::NSeriesGplTrack(src, "WatGlen"), "Glen");
  EXPECT_EQ(ConversionRun::NSeriesGplTrack(src, "searspt"), "searspt");  // no race.lp
  race_line("searspt", 11692);
  EXPECT_EQ(ConversionRun::NSeriesGplTrack(src, "searspt"), "Searsnew");
  race_line("searspt", 11693);
  EXPECT_EQ(ConversionRun::NSeriesGplTrack(src, "searspt"), "searspt");
  race_line("atlanta", 8848);
  EXPECT_EQ(ConversionRun::NSeriesGplTrack(src, "atlanta"), "atlan70");
  race_line("calif", 8848);  // each size belongs to its own track only
  EXPECT_EQ(ConversionRun::NSeriesGplTrack(src, "calif"), "calif");
}

}  // namespace
}  // namespace velmora
