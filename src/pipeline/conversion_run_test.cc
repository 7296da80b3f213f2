#include "pipeline/conversion_run.h"

#include <gtest/gtest.h>

#include <algorithm>

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
#include "testing/disk_probe.h"
#include "testing/recording_progress.h"
#include "testing/scoped_env.h"
#include "track/track_archive.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using samples::Bytes;
using samples::MemberBytes;

constexpr std::string_view kNoTemplate = "";
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

std::vector<std::string> Names(const std::vector<fs::path>& paths) {
  std::vector<std::string> names;
  for (const fs::path& path : paths) names.push_back(path.filename().string());
  return names;
}

class ConversionRunTest : public ::testing::Test {
 protected:
  enum class Pipeline { kCart, kNSeries, kN2 };

  void SetUp() override { samples::WriteGplInstallation(gpl_); }

  // Source track `folder` of the CART layout (or N-series: same layout on disk).
  void AddSourceTrack(const std::string& folder, std::vector<MemberBytes> members = {},
                      std::vector<MemberBytes> loose = {}) {
    samples::WriteSourceTrack(src_, {folder, std::move(members), std::move(loose), "Tracks"});
  }
  void SetOption(std::optional<int> value) { settings_.SetTrackFileConversion(value); }

  bool Run(Pipeline pipeline, const std::string& track, ProgressSink* progress = nullptr,
           std::span<const EmbeddedFile> embedded = EmbeddedFiles()) {
    ResourceStore resources(embedded, resources_);
    Services services{messages_, settings_, resources};
    TrackConverter converter(services);
    const bool finished = converter.Convert(
        pipeline == Pipeline::kCart ? SourceGame::kCart
        : pipeline == Pipeline::kN2 ? SourceGame::kN2
                                    : SourceGame::kN3,
        {.src_dir = src_,
         .gpl_dir = gpl_,
         .source_track = track,
         .progress = progress,
         .track_file_control = "the track file control"});
    pack_list_ = Names(converter.workspace().pack_list());
    scans_ = converter.workspace().resolver().scans();
    return finished;
  }

  std::vector<std::string> FolderFiles(const fs::path& folder) {
    std::vector<std::string> names;
    std::optional<fs::path> found = ResolveExisting(folder);
    if (!found) return names;
    for (const auto& entry : fs::directory_iterator(*found)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::vector<std::string> PackDirectory(const fs::path& pack) {
    TrackArchive archive;
    std::vector<std::string> names;
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
  std::vector<std::string> pack_list_;
  std::size_t scans_ = 0;
};

// Counts the files under a folder at every step of a run.
class FileCountingProgress : public ProgressSink {
 public:
  explicit FileCountingProgress(fs::path folder) : folder_(std::move(folder)) {}
  void SetRange(int, int) override {}
  void SetPosition(int) override {}
  void Step() override {
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder_)) {
      if (entry.is_regular_file()) ++files;
    }
    most_files_ = std::max(most_files_, files);
    ++steps_;
  }
  std::size_t most_files() const { return most_files_; }
  int steps() const { return steps_; }

 private:
  fs::path folder_;
  std::size_t most_files_ = 0;
  int steps_ = 0;
};

TEST_F(ConversionRunTest, MissingTemplateMessagesDependOnTheOption) {
  struct Row {
    Pipeline pipeline;
    std::optional<int> option;  // nothing: not in the settings file (automatic)
    bool finished;
    std::vector<std::string> messages;
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
      {Pipeline::kCart, 0, false, {lookup, unset}},
      {Pipeline::kCart, 1, true, {lookup, unset, patches1, patches2}},
      {Pipeline::kCart, 2, false, {lookup, unset, no_track_file}},
      {Pipeline::kCart, std::nullopt, true, {patches1, patches2}},
      {Pipeline::kNSeries, 0, false, {lookup, unset}},
      {Pipeline::kNSeries, 1, true, {lookup, patches1, patches2}},
      {Pipeline::kNSeries, 2, false, {lookup, no_track_file}},
      {Pipeline::kNSeries, std::nullopt, true, {patches1, patches2}},
  };
  samples::WriteCarriedResourcesFolder(resources_, kNoTemplate);
  std::vector<MemberBytes> members, loose;
  samples::AddSampleTrackFiles("detroit", members, loose);
  AddSourceTrack("detroit", members, loose);
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << (row.pipeline == Pipeline::kCart ? "cart" : "n-series")
                                    << " option " << row.option.value_or(-99));
    SetOption(row.option);
    messages_.Clear();
    EXPECT_EQ(Run(row.pipeline, "detroit"), row.finished);
    EXPECT_EQ(messages_.messages(), row.messages);
    // A run that stops there says what to do, naming the front end's control, with the message
    // it follows.
    const std::vector<std::string> hints =
        row.option == 0
            ? std::vector<std::string>{
                  "The geometry template detroit_N4T is missing: put a file of that name into "
                  "the resources folder (setting Resources, option --resources), or convert "
                  "the source game's own track file (the track file control)."}
            : std::vector<std::string>{};
    EXPECT_EQ(messages_.hints(), hints);
    // Only the automatic choice tells, outside the system's messages, what it did instead.
    const std::vector<std::string> notes =
        row.option ? std::vector<std::string>{}
                   : std::vector<std::string>{
                         "no geometry template detroit_N4T was found, so the track's own "
                         "geometry file detroit.trk was converted"};
    EXPECT_EQ(messages_.notes(), notes);
    if (row.finished) {
      EXPECT_NE(std::find(pack_list_.begin(), pack_list_.end(), "detroit.trk"), pack_list_.end());
      EXPECT_TRUE(FileExists(gpl_ / "tracks" / "detroit" / "detroit.dat"));
    }
  }
}

// The CART run converts textures, then objects, then sprites, and lists them for packing in
// that order.
TEST_F(ConversionRunTest, CartPacksTexturesThenObjectsThenSprites) {
  samples::WriteCarriedResourcesFolder(resources_, "detroit");
  samples::UntaggedBuilder object;
  const std::uint32_t a = object.Vertex(0, 0, 0);
  const std::uint32_t b = object.Vertex(19685, 0, 0);
  const std::uint32_t c = object.Vertex(0, 19685, 0);
  object.FlatPolygon(5, {a, b, c});
  AddSourceTrack("dethq",
                 {{"sunny.pcx", PcxHeader(1)},
                  {"dethq.3do", object.Build()},
                  {"cars.pmp", samples::BuildPmp({{120, 118, 130, 40}})},
                  {"wall.mip", samples::BuildRaw8(8, 8, [](int, int) { return std::uint8_t{40}; })}});
  ASSERT_TRUE(Run(Pipeline::kCart, "dethq"));
  const std::vector<std::string> directory =
      PackDirectory(gpl_ / "tracks" / "detroit" / "detroit.dat");
  auto at = [&directory](const char* name) {
    return std::find(directory.begin(), directory.end(), name) - directory.begin();
  };
  ASSERT_LT(at("cars.srb"), static_cast<std::ptrdiff_t>(directory.size()));
  EXPECT_LT(at("wall.mip"), at("detroit.3do"));  // the track's own object, renamed
  EXPECT_LT(at("detroit.3do"), at("cars.srb"));
}

TEST_F(ConversionRunTest, FullCartRunPacksInTheRunsOrder) {
  samples::WriteCarriedResourcesFolder(resources_, "detroit");
  AddSourceTrack("dethq", {{"sunny.pcx", PcxHeader(1)},
                           {"dethq.3do", Bytes("object")},
                           {"wall.mip", Bytes("texture")},
                           {"cars.pmp", Bytes("sprite")}});
  ASSERT_TRUE(Run(Pipeline::kCart, "dethq"));
  EXPECT_EQ(messages_.messages(),
            (std::vector<std::string>{std::string(kPatchMessage1) + "detroit",
                                      std::string(kPatchMessage2)}));
  const fs::path track_folder = gpl_ / "tracks" / "detroit";
  EXPECT_EQ(PackDirectory(track_folder / "detroit.dat"),
            (std::vector<std::string>{
                "detroit.trk", "groove.mip",   "_blank_.3do",  "_tire.3do",    "_hay.3do",
                "hayba_s.mip", "_cone.3do",    "_cone1.srb",   "_conebs1.mip", "page2.pbf",
                "page0.pbf",   "page1.pbf",    "event.pbf",    "bwpic.pbf",    "page3.pbf",
                "page4.pbf",   "page5.pbf",    "starter.3do",  "flagger.3do",  "flagger.srb",
                "tire.3do",    "tireside.mip", "tirefrnt.mip", "shadtire.mip", "crowd.wav",
                "announce.wav"}));
  // The destruction of the converter removed every packed file: the pack is what is left.
  EXPECT_EQ(FolderFiles(track_folder), std::vector<std::string>{"detroit.dat"});

  // GPL's own groove texture replaced the carried one before packing.
  TrackArchive pack;
  ASSERT_TRUE(pack.Open(track_folder / "detroit.dat").ok());
  ASSERT_TRUE(pack.Extract().ok());
  EXPECT_EQ(*ReadFileBytes(pack.ExtractedPath("groove.mip")), Bytes("mexico:groove.mip"));
  EXPECT_EQ(*ReadFileBytes(pack.ExtractedPath("detroit.trk")), samples::BuildTemplateTrackFile());
}

// The archive's members are read from memory, never unpacked into the temporary folder, and
// the run lists each folder at most once however many files it writes there: the GPL track
// folder, and the source track folder where it looks for racing lines this track lacks.
TEST_F(ConversionRunTest, MembersStayInMemoryAndTheTrackFolderIsListedOnce) {
  samples::WriteCarriedResourcesFolder(resources_, "detroit");
  std::vector<MemberBytes> members = {{"sunny.pcx", PcxHeader(1)},
                                      {"cars.pmp", samples::BuildPmp({{120, 118, 130, 40}})}};
  for (const char* name : {"a.mip", "b.mip", "c.mip", "d.mip", "e.mip", "f.mip"}) {
    members.push_back({name, samples::BuildRaw8(8, 8, [](int x, int) {
                         return static_cast<std::uint8_t>(x * 16);
                       })});
  }
  AddSourceTrack("dethq", std::move(members));
  const fs::path temp = folder_->path() / "temp";
  fs::create_directories(temp);
  FileCountingProgress progress(temp);
  {
    testkit::ScopedEnv in_temp(testkit::kTempVariable, temp.string().c_str());
    ASSERT_TRUE(Run(Pipeline::kCart, "dethq", &progress));
  }
  EXPECT_GT(progress.steps(), 6);
  EXPECT_EQ(progress.most_files(), 0u);
  EXPECT_LE(scans_, 2u);
  EXPECT_TRUE(fs::is_empty(temp));
  const std::vector<std::string> packed = PackDirectory(gpl_ / "tracks" / "detroit" / "detroit.dat");
  for (const char* name : {"a.mip", "f.mip", "cars.srb"}) {
    EXPECT_NE(std::find(packed.begin(), packed.end(), name), packed.end()) << name;
  }
}

TEST_F(ConversionRunTest, FullNSeriesRunWritesTheCarriedFilesInItsOwnOrder) {
  samples::WriteCarriedResourcesFolder(resources_, "Glen");
  AddSourceTrack("watglen", {{"watglen.3do", Bytes("object")}});
  ASSERT_TRUE(Run(Pipeline::kNSeries, "watglen"));
  EXPECT_EQ(messages_.messages(),
            (std::vector<std::string>{std::string(kPatchMessage1) + "Glen",
                                      std::string(kPatchMessage2)}));
  const std::vector<std::string> directory = PackDirectory(gpl_ / "tracks" / "Glen" / "Glen.dat");
  ASSERT_GE(directory.size(), 10u);
  EXPECT_EQ(std::vector<std::string>(directory.begin(), directory.begin() + 10),
            (std::vector<std::string>{"glen.trk", "groove.mip", "_blank_.3do", "_tire.3do",
                                      "_cone.3do", "_hay.3do", "hayba_s.mip", "_cone1.srb",
                                      "_conebs1.mip", "page2.pbf"}));
  EXPECT_EQ(FolderFiles(gpl_ / "tracks" / "Glen"), std::vector<std::string>{"Glen.dat"});
}

// The track archives in a folder, "name:hash of the bytes", at every step of a run, each state
// once.
class ArchiveWatchingProgress : public ProgressSink {
 public:
  explicit ArchiveWatchingProgress(fs::path folder) : folder_(std::move(folder)) {}
  void SetRange(int, int) override {}
  void SetPosition(int) override {}
  void Step() override {
    std::vector<std::string> archives;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      if (entry.path().extension() == ".dat") {
        const std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(entry.path());
        archives.push_back(entry.path().filename().string() + ":" +
                           std::to_string(std::hash<std::string>()(
                               bytes ? std::string(bytes->begin(), bytes->end()) : "")));
      }
    }
    std::sort(archives.begin(), archives.end());
    if (states.empty() || states.back() != archives) states.push_back(archives);
  }
  std::vector<std::vector<std::string>> states;

 private:
  fs::path folder_;
};

// "watglen" converts into "Glen": its archive patch glen.zad goes into the one pack Glen.dat,
// written once, in the run's order with the patch's members in place or after.
TEST_F(ConversionRunTest, AnArchivePatchGoesIntoThePackOfTheCapitalisedTrackOnce) {
  samples::WriteCarriedResourcesFolder(resources_, "Glen");
  AddSourceTrack("watglen", {{"watglen.3do", Bytes("object")}});
  ASSERT_TRUE(Run(Pipeline::kN2, "watglen"));
  const fs::path track = gpl_ / "tracks" / "Glen";
  std::vector<std::string> unpatched = PackDirectory(track / "Glen.dat");
  const std::optional<std::vector<std::uint8_t>> earlier = ReadFileBytes(track / "Glen.dat");

  const fs::path patches = folder_->path() / "patches";
  fs::create_directories(patches);
  settings_.Override(kDirectoriesSection, kPatchesKey, patches.string() + "/");
  WriteFileBytes(patches / "glen.zad",
                 samples::BuildTrackArchive({{"EXTRA.TXT", Bytes("from the patch")},
                                             {"_hay.3do", Bytes("patched hay")}}));
  ArchiveWatchingProgress watch(track);
  watch.Step();
  ASSERT_TRUE(Run(Pipeline::kN2, "watglen", &watch));
  EXPECT_EQ(FolderFiles(track), std::vector<std::string>{"Glen.dat"});
  std::vector<std::string> expected = unpatched;
  expected.push_back("extra.txt");
  EXPECT_EQ(PackDirectory(track / "Glen.dat"), expected)
      << "the patched member in its place, the new one after the run's members";
  TrackArchive pack;
  ASSERT_TRUE(pack.Open(track / "Glen.dat").ok());
  ASSERT_TRUE(pack.Unpack().ok());
  std::optional<std::span<const std::uint8_t>> hay = pack.HeldMember("_hay.3do");
  ASSERT_TRUE(hay);
  EXPECT_EQ(std::vector<std::uint8_t>(hay->begin(), hay->end()), Bytes("patched hay"));
  ASSERT_EQ(watch.states.size(), 2u) << "the earlier pack, then the new one: written once";
  EXPECT_EQ(watch.states[0],
            std::vector<std::string>{"Glen.dat:" + std::to_string(std::hash<std::string>()(
                                                       std::string(earlier->begin(), earlier->end())))});
}

TEST_F(ConversionRunTest, StoppedRunLeavesNoListedFileAndNoPack) {
  // The template and two carried files are there; the third carried file is missing.
  fs::create_directories(resources_);
  WriteFileBytes(resources_ / "DETROIT_N4T", samples::BuildTemplateTrackFile());
  WriteFileText(resources_ / "N2GROOVE_MIP", "groove");
  WriteFileText(resources_ / "N4BLANK_3DO", "blank");
  AddSourceTrack("detroit");
  const fs::path track_folder = gpl_ / "tracks" / "detroit";
  EXPECT_FALSE(Run(Pipeline::kCart, "detroit", nullptr, {}));
  EXPECT_EQ(messages_.messages(), std::vector<std::string>{"Failed to find resource _TIRE_3DO"});
  EXPECT_EQ(pack_list_,
            (std::vector<std::string>{"detroit.trk", "groove.mip", "_blank_.3do"}));
  EXPECT_TRUE(FolderFiles(track_folder).empty());
}

TEST_F(ConversionRunTest, GplFolderWithoutTracksFolderStops) {
  fs::remove_all(gpl_ / "tracks");
  samples::WriteCarriedResourcesFolder(resources_, "detroit");
  AddSourceTrack("dethq");
  EXPECT_FALSE(Run(Pipeline::kCart, "dethq"));
  EXPECT_EQ(messages_.messages(),
            (std::vector<std::string>{
                "Failed To Open " + (gpl_ / "Tracks" / "detroit" / "detroit.trk").string() +
                    " For Writing",
                "GPL directory not correctly set?"}));
}

TEST_F(ConversionRunTest, ProgressCountsTheArchiveAndStepsPerFile) {
  samples::WriteCarriedResourcesFolder(resources_, "detroit");
  // Ten members: the range is 0 .. 12 ("." and ".." count), starting at 2.
  const std::vector<MemberBytes> members = {
      {"sunny.pcx", PcxHeader(1)}, {"a.mip", Bytes("t")},       {"b.mi4", Bytes("t")},
      {"c.m16", Bytes("t")},       {"d.pcx", PcxHeader(3)},     {"e.pcx", PcxHeader(1)},
      {"f.3do", Bytes("o")},       {"g.pmp", Bytes("s")},       {"h.pm4", Bytes("s")},
      {"i.srb", Bytes("s")}};
  AddSourceTrack("detroit", members);
  testkit::RecordingProgress cart;
  ASSERT_TRUE(Run(Pipeline::kCart, "detroit", &cart));
  EXPECT_EQ(cart.low(), 0);
  EXPECT_EQ(cart.high(), 12);
  // Geometry 1, patch set 1, textures 5 (a, the copied groove, b, c, the 24-bit d; the 8-bit
  // PCX files do not count), object 1, sprites 2, standard files 1, pack list 1, pack 1.
  EXPECT_EQ(cart.steps(), 13);
  EXPECT_EQ(cart.position(), 15);

  testkit::RecordingProgress nseries;
  ASSERT_TRUE(Run(Pipeline::kNSeries, "detroit", &nseries));
  // The N series counts after the carried groove texture joined the unpacked files.
  EXPECT_EQ(nseries.high(), 13);
  // First patch pass 1, textures 2 (a and the copied groove), object 1, sprite 1, second patch
  // pass 1, pack 1.
  EXPECT_EQ(nseries.steps(), 7);
}

TEST_F(ConversionRunTest, ExistingTrackIniIsNeitherReplacedNorPacked) {
  samples::WriteCarriedResourcesFolder(resources_, "detroit");
  AddSourceTrack("detroit");
  const fs::path track_folder = gpl_ / "tracks" / "detroit";
  fs::create_directories(track_folder);
  WriteFileText(track_folder / "track.ini", "hand-made");
  ASSERT_TRUE(Run(Pipeline::kCart, "detroit"));
  EXPECT_EQ(*ReadFileBytes(track_folder / "track.ini"), Bytes("hand-made"));
  std::vector<std::string> directory = PackDirectory(track_folder / "detroit.dat");
  EXPECT_EQ(std::count(directory.begin(), directory.end(), "track.ini"), 0);
  EXPECT_EQ(std::count(directory.begin(), directory.end(), "temp.ini"), 0);
  EXPECT_EQ(FolderFiles(track_folder), (std::vector<std::string>{"detroit.dat", "track.ini"}));
}

TEST_F(ConversionRunTest, FoldersOfAnyCaseAreFound) {
  fs::rename(gpl_ / "tracks", gpl_ / "TRACKS");
  samples::WriteCarriedResourcesFolder(resources_, "detroit");
  samples::WriteSourceTrack(src_, {"DETHQ", {{"DETHQ.3DO", Bytes("o")}}, {}, "TRACKS"});
  ASSERT_TRUE(Run(Pipeline::kCart, "dethq"));
  EXPECT_TRUE(fs::exists(gpl_ / "TRACKS" / "detroit" / "detroit.dat"));
  if (!testkit::DiskIgnoresCase(gpl_)) {
    EXPECT_FALSE(fs::exists(gpl_ / "Tracks"));
  }
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
  // Each size belongs to its own track only.
  race_line("calif", 8848);
  EXPECT_EQ(ConversionRun::NSeriesGplTrack(src, "calif"), "calif");
}

}  // namespace
}  // namespace velmora
