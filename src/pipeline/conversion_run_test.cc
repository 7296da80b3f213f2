// Whole runs of both pipelines on small source tracks: the order of the stages and of the files
// in the pack, the messages, where a run stops and what it leaves, and the progress count.
#include "pipeline/conversion_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>

#include "image/mip_file.h"
#include "pipeline/track_converter.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/progress_sink.h"
#include "platform/resource_store.h"
#include "platform/settings.h"
#include "platform/temp_folder.h"
#include "resources/embedded_files.h"
#include "samples/archive_builder.h"
#include "samples/image_builders.h"
#include "samples/installation_builder.h"
#include "samples/object_builders.h"
#include "samples/track_builders.h"
#include "testing/disk_probe.h"
#include "testing/scoped_env.h"
#include "track/track_archive.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using samples::Bytes;
using samples::MemberBytes;
using Names = std::vector<std::string>;

const std::string kNoPatches = "No Patch Files Found for ";
const std::string kCheckInstallation = "Check your installation of the converter";
// Every pack ends in the pages, then GPL's standard files.
const std::string kPagesAndStandardFiles =
    "page2.pbf page0.pbf page1.pbf event.pbf bwpic.pbf page3.pbf page4.pbf page5.pbf starter.3do "
    "flagger.3do flagger.srb tire.3do tireside.mip tirefrnt.mip shadtire.mip crowd.wav "
    "announce.wav";

// A progress bar that remembers its top and the steps, and calls `on_step` at each.
class WatchingProgress : public ProgressSink {
 public:
  void SetRange(int, int high) override { high_ = high; }
  void SetPosition(int) override {}
  void Step() override {
    ++steps_;
    if (on_step) on_step();
  }
  int high() const { return high_; }
  int steps() const { return steps_; }
  std::function<void()> on_step;

 private:
  int high_ = 0, steps_ = 0;
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
    messages_.Clear();
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
  // A member of a pack, or nothing.
  static std::vector<std::uint8_t> Member(const fs::path& pack_path, std::string_view name) {
    TrackArchive pack;
    if (!pack.Open(pack_path).ok() || !pack.Unpack().ok() || !pack.HeldMember(name)) return {};
    return {pack.HeldMember(name)->begin(), pack.HeldMember(name)->end()};
  }
  // The member names of a pack, in its order, joined by spaces.
  static std::string PackNames(const fs::path& pack) {
    TrackArchive archive;
    std::string names;
    if (archive.Open(pack).IsNotFound()) return names;
    for (const ArchiveEntry& entry : archive.entries()) names += entry.name + " ";
    if (!names.empty()) names.pop_back();
    return names;
  }

  // Writes the carried resources, with a geometry template of `template_bytes` (nothing: none;
  // empty: the carried one), and the sample track "kestrel", with or without its own track file.
  void AddKestrel(const char* template_bytes, bool track_file) {
    fs::remove_all(gpl_ / "tracks" / "kestrel");
    fs::remove_all(resources_);
    samples::WriteCarriedResourcesFolder(resources_, template_bytes ? "kestrel" : "");
    if (template_bytes && *template_bytes) {
      WriteFileBytes(resources_ / "KESTREL_N4T.trk", Bytes(template_bytes));
    }
    std::vector<MemberBytes> members, loose;
    samples::AddSampleTrackFiles("kestrel", members, loose);
    if (!track_file) members.clear();
    AddSourceTrack("kestrel", members, loose);
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

// Without a template, at 1 the source track's own file takes its place and any other value but 0
// goes on without a track file, which the geometry stage cannot load; only the CART run says the
// GPL folder may be wrong, and the N-series run reports a missing patch once although it looks
// twice. A geometry file that cannot be had stops the run, naming the file, and leaves no pack.
TEST_F(ConversionRunTest, GeometryTheRunCannotHaveStopsItNamingTheCause) {
  const std::string lookup = "Failed to find resource kestrel_N4T";
  const std::string unset = "GPL directory not correctly set?";
  // The run names its files as it builds them, in the spelling the disk's lookup gives.
  const fs::path track_folder = ResolveForWrite(gpl_ / "Tracks") / "kestrel";
  const std::string trk = (track_folder / "kestrel.trk").string();
  struct Setup {
    SourceGame game;
    int option;
    const char* template_bytes;
    bool track_file;
    std::string temp;  // the temporary folder; empty: the system's
    bool finished;
  };
  struct Row {
    Setup setup;
    Names messages;  // a "*" in the last stands for a folder that differs from run to run
  };
  const Row rows[] = {
      {{SourceGame::kCart, 2, nullptr, true, "", false},
       {lookup, unset, "Cannot load the track file " + trk + ": it cannot be read"}},
      {{SourceGame::kN3, 1, nullptr, true, "", true},
       {lookup, kNoPatches + "kestrel", kCheckInstallation}},
      {{SourceGame::kCart, 1, nullptr, false, "", false},
       {lookup, unset,
        "Cannot convert the track file " + (fs::path("*") / "kestrel.trk").string() +
            ": it cannot be read"}},
      {{SourceGame::kCart, 0, "KART", true, "", false},
       {"Cannot load the track file " + trk + ": it is shorter than its 28-byte header"}},
      {{SourceGame::kCart, 0, "", true, (folder_->path() / "missing").string(), false},
       {"GetTempPath Failed ", "GetTempPath Failed ", kNoPatches + "kestrel", kCheckInstallation,
        "Failed to open " + (track_folder / "bwpic.pbf").string()}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.messages.back());
    const Setup& setup = row.setup;
    AddKestrel(setup.template_bytes, setup.track_file);
    settings_.SetTrackFileConversion(setup.option);
    std::optional<testkit::ScopedEnv> temp;
    if (!setup.temp.empty()) temp.emplace(testkit::kTempVariable, setup.temp.c_str());
    EXPECT_EQ(Run(setup.game, "kestrel"), setup.finished);
    Names seen = messages_.messages();
    const std::string& last = row.messages.back();
    const std::size_t star = last.find('*');
    if (star != std::string::npos && !seen.empty() && seen.back().size() > last.size()) {
      seen.back().replace(star, seen.back().size() - last.size() + 1, "*");
    }
    EXPECT_EQ(seen, row.messages);
    EXPECT_EQ(FileExists(gpl_ / "tracks" / "kestrel" / "kestrel.dat"), setup.finished);
  }
  // A missing carried file (the template and two are there, the third is not) stops the run,
  // which leaves none of the files listed for the pack; so does a GPL folder without "tracks".
  fs::remove_all(resources_);
  fs::create_directories(resources_);
  WriteFileBytes(resources_ / "DETROIT_N4T", samples::BuildTemplateTrackFile());
  WriteFileText(resources_ / "N2GROOVE_MIP", "groove");
  WriteFileText(resources_ / "N4BLANK_3DO", "blank");
  AddSourceTrack("detroit");
  ASSERT_FALSE(Run(SourceGame::kCart, "detroit", {}, {}));
  EXPECT_EQ(messages_.messages(), Names{"Failed to find resource _TIRE_3DO"});
  EXPECT_EQ(pack_list_, (Names{"detroit.trk", "groove.mip", "_blank_.3do"}));
  EXPECT_EQ(CountEntries(gpl_ / "tracks" / "detroit"), 0u);

#ifndef _WIN32
  // A temporary folder no folder fits in (a path holds 4,096 bytes, "/dirXXXXXX" needs 10): the
  // archive's members and the placed track are named as the paths they would have had.
  fs::path deep = folder_->path();
  while (deep.string().size() < 4090) {
    deep /= std::string(std::min<std::size_t>(200, 4090 - deep.string().size()), 'd');
  }
  fs::create_directories(deep);
  AddKestrel("", true);
  settings_.SetTrackFileConversion(0);
  {
    testkit::ScopedEnv in_deep(testkit::kTempVariable, deep.string().c_str());
    EXPECT_FALSE(Run(SourceGame::kCart, "kestrel"));
  }
  const std::string made = deep.string() + "/dir";
  for (const std::string& said :
       {"CreateDirectory Failed:- " + made, "CreateFile from .DAT :- " + made,
        "Cannot write the track file " + made}) {
    EXPECT_TRUE(std::ranges::any_of(messages_.messages(), [&](const std::string& m) {
      return m.starts_with(said);
    })) << said;
  }
#endif

  fs::remove_all(gpl_ / "tracks");
  fs::remove_all(resources_);
  samples::WriteCarriedResourcesFolder(resources_, "detroit");
  EXPECT_FALSE(Run(SourceGame::kCart, "detroit"));
  EXPECT_EQ(messages_.messages(),
            (Names{"Failed To Open " + (gpl_ / "Tracks" / "detroit" / "detroit.trk").string() +
                       " For Writing",
                   unset}));
}

// The CART run: geometry, carried files, textures, objects, sprites, pages, GPL's standard
// files, in that order in the pack; it leaves the temporary folder empty and lists each folder
// at most once (the GPL track's, and the source track's for racing lines this track lacks).
TEST_F(ConversionRunTest, FullCartRunPacksInTheRunsOrder) {
  samples::WriteCarriedResourcesFolder(resources_, "detroit");
  std::vector<MemberBytes> members = {
      {"sunny.pcx", samples::BuildPalettePcx({})},  // 8-bit: not a texture
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
  WatchingProgress progress;
  std::size_t most_temp_files = 0;  // the archive's members are read in memory, never unpacked
  progress.on_step = [&] {
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(temp))
      files += entry.is_regular_file();
    most_temp_files = std::max(most_temp_files, files);
  };
  {
    testkit::ScopedEnv in_temp(testkit::kTempVariable, temp.string().c_str());
    RunRequest request;
    request.progress = &progress;
    ASSERT_TRUE(Run(SourceGame::kCart, "dethq", request));
  }
  EXPECT_EQ(messages_.messages(), (Names{kNoPatches + "detroit", kCheckInstallation}));
  const fs::path pack = gpl_ / "tracks" / "detroit" / "detroit.dat";
  EXPECT_EQ(PackNames(pack),
            "detroit.trk groove.mip _blank_.3do _tire.3do _hay.3do hayba_s.mip _cone.3do "
            "_cone1.srb _conebs1.mip kbarrier.mip kwall.mip ksky.mip kbanner.mip detroit.3do "
            "kboards.3do khoriz.3do kstand.3do ktrack.3do ktree.srb kmarker.srb kflag.srb " +
                kPagesAndStandardFiles);
  // The destruction of the converter removed every packed file: the pack is what is left.
  EXPECT_EQ(CountEntries(pack.parent_path()), 1u);
  // The range counts the archive's entries with "." and "..". Steps: geometry 1, patch set 1,
  // textures 6 (junk.mip, the four demo ones with the 24-bit PCX, the copied groove; not the
  // 8-bit PCX), objects 6, sprites 3, standard files 1, pack list 1, pack 1.
  EXPECT_EQ(progress.high(), static_cast<int>(members.size()) + 2);
  EXPECT_EQ(progress.steps(), 20);
  EXPECT_TRUE(fs::is_empty(temp));
  EXPECT_EQ(most_temp_files, 0u);
  EXPECT_LE(scans_, 2u);
  // GPL's own groove texture replaced the carried one before packing.
  EXPECT_EQ(Member(pack, "groove.mip"), Bytes("mexico:groove.mip"));
  EXPECT_EQ(Member(pack, "detroit.trk"), samples::BuildTemplateTrackFile());
}

// The N-series run: its own order of the carried files, of the image kinds only .mip and .srb,
// the 16-bit request sending "skyindex" to 16 bits; folders of any letter case are found.
// "watglen" converts into "Glen", whose archive patch goes into the one pack, written once.
TEST_F(ConversionRunTest, FullNSeriesRunPacksItsOwnOrderAndTheArchivePatchOnce) {
  samples::WriteCarriedResourcesFolder(resources_, "Glen");
  auto checker = [](int x, int y) {
    return static_cast<std::uint8_t>((x / 4 + y / 4) % 2 ? 40 : 50);
  };
  // Both installations' track folders are spelled in capitals.
  fs::rename(gpl_ / "tracks", gpl_ / "TRACKS");
  samples::WriteSourceTrack(
      src_, {"WATGLEN",
             {{"watglen.3do", Bytes("object")},
              {"skyindex.mip", samples::BuildMip8(64, 64, checker)},
              {"wall.mip", samples::BuildMip8(64, 64, checker)},
              {"old.mi4", samples::BuildRaw4(16, 16, checker, {}, false)},
              {"marshal.srb", samples::BuildNSeriesSrb(20, 30, 19685, 19685, 10, 30, 0, checker)}},
             {},
             "TRACKS"});
  const fs::path patches = folder_->path() / "patches";
  fs::create_directories(patches);
  settings_.Override(kDirectoriesSection, kPatchesKey, patches.string() + "/");
  WriteFileBytes(patches / "glen.zad",
                 samples::BuildTrackArchive(
                     {{"EXTRA.TXT", Bytes("from the patch")}, {"_hay.3do", Bytes("patched hay")}}));
  const fs::path pack = gpl_ / "TRACKS" / "Glen" / "Glen.dat";
  std::vector<std::optional<std::vector<std::uint8_t>>> states = {ReadFileBytes(pack)};
  WatchingProgress watch;
  watch.on_step = [&] {
    if (ReadFileBytes(pack) != states.back()) states.push_back(ReadFileBytes(pack));
  };
  RunRequest request;
  request.sixteen_bit_sky = true;
  request.progress = &watch;
  ASSERT_TRUE(Run(SourceGame::kN3, "watglen", request));
  // An archive patch is no single-file patch: it does not silence the message.
  EXPECT_EQ(messages_.messages(), (Names{kNoPatches + "Glen", kCheckInstallation}));
  EXPECT_EQ(PackNames(pack),
            "glen.trk groove.mip _blank_.3do _tire.3do _cone.3do _hay.3do hayba_s.mip _cone1.srb "
            "_conebs1.mip skyindex.mip wall.mip marshal.srb " +
                kPagesAndStandardFiles + " extra.txt");
  EXPECT_TRUE(testkit::DiskIgnoresCase(gpl_) || !fs::exists(gpl_ / "Tracks"));
  // The range counts the five members and the carried groove. Steps: patch passes 2, textures 3
  // (two and the groove; .mi4 is no N-series kind), object 1, sprite 1, pack 1.
  EXPECT_EQ(watch.high(), 5 + 2 + 1);
  EXPECT_EQ(watch.steps(), 8);
  EXPECT_EQ(states.size(), 2u) << "no pack, then the new one: written once";
  EXPECT_EQ(Member(pack, "skyindex.mip").at(24), kMipType16Bit);
}

TEST(NSeriesGplTrackTest, RenamesByFolderAndRaceLineSize) {
  std::optional<TempFolder> folder = TempFolder::Create("test");
  const fs::path src = folder->path();
  auto race_line = [&](const std::string& track, std::size_t size) {
    fs::create_directories(src / "tracks" / track);
    WriteFileBytes(src / "tracks" / track / "RACE.LP", std::vector<std::uint8_t>(size));
  };
  EXPECT_EQ(ConversionRun::NSeriesGplTrack(src, "searspt"), "searspt");  // no race.lp
  race_line("searspt", 11692);
  EXPECT_EQ(ConversionRun::NSeriesGplTrack(src, "searspt"), "Searsnew");
  race_line("atlanta", 8848);
  EXPECT_EQ(ConversionRun::NSeriesGplTrack(src, "atlanta"), "atlan70");
  race_line("calif", 8848);  // each size belongs to its own track only
  EXPECT_EQ(ConversionRun::NSeriesGplTrack(src, "calif"), "calif");
}

}  // namespace
}  // namespace velmora
