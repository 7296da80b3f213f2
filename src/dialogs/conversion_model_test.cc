#include "dialogs/conversion_model.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "dialogs/progress_bar_state.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/resource_store.h"
#include "platform/settings.h"
#include "platform/temp_folder.h"
#include "resources/embedded_files.h"
#include "samples/installation_builder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

// A track of its description alone, in its archive and loose.
void WriteTrack(const fs::path& root, const std::string& folder) {
  const samples::MemberBytes description = {
      folder + ".txt", samples::Bytes(samples::SourceTrackDescription(folder, folder))};
  samples::WriteSourceTrack(root, {folder, {description}, {description}});
}

std::vector<std::string> Texts(const ConversionModel& model) {
  std::vector<std::string> texts;
  for (const ConversionModel::Track& track : model.tracks()) texts.push_back(track.text);
  return texts;
}

class ConversionModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_ = TempFolder::Create("dir");
    ASSERT_TRUE(temp_);
    root_ = temp_->path();
    settings_.emplace(root_ / "Velmora.INI", (root_ / "home").string());
    resources_.emplace(EmbeddedFiles(), root_ / "resources");
  }
  Services services() { return Services{messages_, *settings_, *resources_}; }
  std::string Stored() const {
    const auto bytes = ReadFileBytes(root_ / "Velmora.INI").value_or(std::vector<std::uint8_t>());
    return std::string(bytes.begin(), bytes.end());
  }

  std::optional<TempFolder> temp_;
  fs::path root_;
  std::optional<Settings> settings_;
  std::optional<ResourceStore> resources_;
  RecordingMessageSink messages_;
};

TEST_F(ConversionModelTest, ListsKnownTracksSortedThenAddOnsAndConvertFollowsTheSelection) {
  const fs::path cart = root_ / "ICR2";
  for (const char* folder : {"dethq", "Elkhart", "kestrel"})
    samples::WriteSourceTrack(cart, {folder, {}, {}, "tracks"});
  settings_->SetFolder(kIcr2PathKey, cart.string());
  settings_->Override(kDirectoriesSection, kGplPathKey, (root_ / "GPL").string());
  ConversionModel model(SourceGame::kCart, services());
  EXPECT_EQ(Texts(model),
            (std::vector<std::string>{"Detroit HQ", "Road America", "kestrel (add-on)"}));
  EXPECT_EQ(model.tracks()[1].source_track, "elkhart");
  EXPECT_EQ(model.tracks()[2].tip, "An add-on track in the folder kestrel");
  EXPECT_FALSE(model.convert_enabled());
  model.Select(1);
  EXPECT_TRUE(model.convert_enabled());
  model.Select(model.tracks().size());  // past the list: nothing selected
  EXPECT_EQ(model.selection(), std::nullopt);
  EXPECT_FALSE(model.convert_enabled());

  // A folder without tracks empties the list and is not stored; the GPL folder waits for a run.
  model.Select(0);
  model.SetSourceDir((root_ / "empty").string());
  EXPECT_TRUE(model.tracks().empty());
  EXPECT_FALSE(model.convert_enabled());
  EXPECT_NE(Stored().find("ICR2 Path=" + cart.string()), std::string::npos);
  model.SetGplDir((root_ / "elsewhere").string());
  EXPECT_EQ(Stored().find("GPL Path"), std::string::npos);
}

TEST_F(ConversionModelTest, ARunShowsItsBusyStateAndEndsWithTheFinishedMessage) {
  const fs::path n2 = root_ / "N2";
  WriteTrack(n2, "mesa");
  samples::WriteGplInstallation(root_ / "GPL");
  settings_->SetFolder(kN2PathKey, n2.string());
  settings_->SetFolder(kGplPathKey, (root_ / "GPL").string());
  ConversionModel model(SourceGame::kN2, services());
  std::vector<std::tuple<bool, bool, bool>> seen;  // running, controls, Convert
  model.set_observer([&] {
    seen.emplace_back(model.running(), model.controls_enabled(), model.convert_enabled());
  });

  // The sixteen-bit box is stored on every press, a track selected or not.
  model.set_sixteen_bit(true);
  model.Convert(nullptr);
  EXPECT_NE(Stored().find("HQsky=1"), std::string::npos);
  EXPECT_TRUE(seen.empty());
  EXPECT_TRUE(messages_.messages().empty());

  model.Select(0);
  model.Convert(nullptr);
  const std::vector<std::tuple<bool, bool, bool>> expected = {{true, false, false},
                                                              {false, true, true}};
  EXPECT_EQ(seen, expected);
  ASSERT_FALSE(messages_.messages().empty());
  EXPECT_EQ(messages_.messages().back(), "Conversion Finished");
  EXPECT_NE(Stored().find("GPL Path=" + (root_ / "GPL").string()), std::string::npos);
  EXPECT_EQ(model.focus_after_run_id(), kTrackListId);
  EXPECT_EQ(model.return_button_id(), kGplButtonId);  // never Convert

  // In steps, as a view that runs the conversion on another thread does: the busy state lasts
  // until EndConvert, and neither a second run nor another selection is taken meanwhile.
  seen.clear();
  ASSERT_TRUE(model.BeginConvert());
  EXPECT_FALSE(model.BeginConvert());
  model.Select(std::nullopt);
  model.RunConversion(nullptr);
  EXPECT_EQ(std::tuple(model.selection(), model.running()), std::tuple(0u, true));
  model.EndConvert();
  EXPECT_EQ(seen, expected);
}

TEST_F(ConversionModelTest, TheGeometryChoiceIsStoredOnlyWhenItChanges) {
  ConversionModel model(SourceGame::kNl, services());
  ASSERT_EQ(model.geometry_entries().size(), 2u);
  EXPECT_EQ(model.geometry_index(), 0u);
  model.ChooseGeometry(0);
  EXPECT_FALSE(fs::exists(root_ / "Velmora.INI"));  // opening and re-choosing store nothing
  model.ChooseGeometry(1);
  EXPECT_EQ(settings_->TrackFileConversion(), std::optional<int>(1));
  model.ChooseGeometry(0);
  EXPECT_EQ(settings_->TrackFileConversion(), std::nullopt);

  settings_->SetTrackFileConversion(7);  // typed into the file: shown as it stands
  ConversionModel typed(SourceGame::kCart, services());
  ASSERT_EQ(typed.geometry_entries().size(), 3u);
  EXPECT_EQ(typed.geometry_index(), 2u);
  EXPECT_FALSE(typed.has_sixteen_bit());
}

// The bar of a run: a range without width shows an empty bar one step wide, never a busy
// indicator; a run that steps past its end stays full; a new range starts empty.
TEST(ProgressBarStateTest, TheBarShowsTheRunsRangeAndStaysInside) {
  ProgressBarState bar;
  bar.SetRange(3, 3);
  EXPECT_EQ(std::tuple(bar.bar_low(), bar.bar_high(), bar.bar_value()), std::tuple(3, 4, 3));
  bar.SetRange(0, 12);
  for (int i = 0; i < 15; ++i) bar.Step();
  EXPECT_EQ(std::tuple(bar.bar_low(), bar.bar_high(), bar.bar_value()), std::tuple(0, 12, 12));
  bar.SetRange(2, 5);
  EXPECT_EQ(bar.bar_value(), 2);
}

}  // namespace
}  // namespace velmora
