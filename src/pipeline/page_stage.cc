#include "pipeline/page_stage.h"

#include <array>
#include <optional>
#include <vector>

#include "image/page_image.h"
#include "pipeline/conversion_workspace.h"
#include "pipeline/finishing_stages.h"
#include "pipeline/track_name_table.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
#include "platform/text_drawer.h"
#include "platform/text_encoding.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

constexpr TextColour kCream = {248, 236, 216};
constexpr TextColour kBlack = {0, 0, 0};
constexpr int kSecondLineGap = 18;

struct CarriedPage {
  std::string_view bitmap_resource;
  std::string_view page_resource;
  std::string_view file;
};
constexpr std::array<CarriedPage, 3> kPages = {{
    {"PAGE0_US_BMP", "PAGE0_PBF", "page0.pbf"},
    {"PAGE1_US_BMP", "PAGE1_PBF", "page1.pbf"},
    {"EVENT_US_BMP", "EVENT_PBF", "event.pbf"},
}};

std::optional<BitmapImage> LoadBitmap(const Services& services, std::string_view resource) {
  std::optional<std::span<const std::uint8_t>> bytes =
      FindEmbeddedFile(services.resources, services.messages, resource);
  if (!bytes) return std::nullopt;
  Result<BitmapImage> bitmap = ReadBitmap(std::vector<std::uint8_t>(bytes->begin(), bytes->end()));
  if (!bitmap) return std::nullopt;
  return std::move(bitmap).value();
}

// page0 carries both titles reading upwards, the event title right of the display name;
// page1 and the event page carry the event title across their top.
void DrawTitles(TextDrawer& drawer, const TrackTitleSet& titles, std::size_t page,
                BitmapImage& bitmap) {
  PixelCanvas canvas = bitmap.Canvas();
  const std::u32string event = Windows1252ToCodePoints(titles.event_title);
  if (page == 0) {
    const int first = DrawTitle(drawer, Windows1252ToCodePoints(titles.display_name),
                                {16, 380, 360, TextDirection::kUpwards, kCream}, canvas);
    DrawTitle(drawer, event, {first + kSecondLineGap, 376, 300, TextDirection::kUpwards, kCream},
              canvas);
  } else if (page == 1) {
    DrawTitle(drawer, event, {86, 25, 130, TextDirection::kHorizontal, kBlack}, canvas);
  } else {
    DrawTitle(drawer, event, {80, 18, 130, TextDirection::kHorizontal, kBlack}, canvas);
  }
}

}  // namespace

void WritePageImages(ConversionWorkspace& workspace, const Services& services,
                     const fs::path& output_folder, std::string_view track_folder,
                     TextDrawer* drawer) {
  // Looked up as given: a track the table does not hold is titled with its folder name as
  // spelled ("Kestrel").
  const TrackTitleSet titles = TrackTitles(track_folder, /*strip=*/true);
  for (std::size_t i = 0; i < kPages.size(); ++i) {
    std::optional<BitmapImage> bitmap = LoadBitmap(services, kPages[i].bitmap_resource);
    std::optional<std::span<const std::uint8_t>> carried =
        FindEmbeddedFile(services.resources, services.messages, kPages[i].page_resource);
    if (!carried) continue;
    Result<PageImage> page = ReadPageImage(std::vector<std::uint8_t>(carried->begin(), carried->end()));
    const fs::path path = output_folder / kPages[i].file;
    std::span<const std::uint8_t> out = *carried;
    if (page && bitmap && drawer != nullptr) {
      DrawTitles(*drawer, titles, i, *bitmap);
      CopyBitmapIntoPage(*bitmap, *page);
      out = page->FileBytes();
    }
    const bool held = out.data() == carried->data()
                          ? workspace.HoldBorrowedOutput(path, out)
                          : workspace.HoldOutput(path, std::vector<std::uint8_t>(out.begin(), out.end()));
    if (!held) {
      services.messages.Show("Failed To Open " + path.string() + " For Writing");
      continue;
    }
    workspace.AddToPack(path);
  }
}

void MakePageImages(RunContext& run) {
  Result<std::unique_ptr<TextDrawer>> drawer = OpenSystemTextDrawer("Arial");
  if (!drawer) {
    run.messages().Show("The menu pages are written without the track's name: " +
                        drawer.status().message());
  }
  WritePageImages(run.workspace, run.services, run.workspace.output_folder(), run.gpl_track,
                  drawer ? drawer->get() : nullptr);
}

}  // namespace velmora
