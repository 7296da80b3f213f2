// The runs' object pass: every source object is rewritten as a GPL object that walks cleanly,
// packed after the textures; an object that cannot be read is skipped.
#include <gtest/gtest.h>

#include "object/gpl_object_check.h"

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

namespace velmora {
namespace {

namespace fs = std::filesystem;

TEST(ObjectPassTest, SourceObjectsBecomeGplObjectsUnderTheirOutputNames) {
  std::optional<TempFolder> folder = TempFolder::Create("objects");
  ASSERT_TRUE(folder);
  const fs::path root = folder->path();
  samples::WriteCarriedResourcesFolder(root / "resources", "");
  WriteFileBytes(root / "resources" / "KESTREL_N4T", samples::BuildTemplateTrackFile());
  samples::WriteGplInstallation(root / "gpl");

  samples::SourceTrack track;
  track.folder = "kestrel";
  samples::AddDemoImages(track.members);
  samples::AddDemoObjects(track.members);
  samples::Object3Builder own;
  own.Sprite(own.Vertex(0, 0, 0), "ktree", 0xC0004CE5);
  track.members.push_back({"KESTREL.3do", own.Build()});        // the title rule ignores case
  track.members.push_back({"junk.3do", samples::Bytes("junk")});  // unreadable: skipped
  samples::WriteSourceTrack(root / "cart", track);

  RecordingMessageSink messages;
  Settings settings(root / "Velmora.INI", root.string());
  ResourceStore resources(EmbeddedFiles(), root / "resources");
  TrackConverter converter(Services{messages, settings, resources});
  converter.Convert(SourceGame::kCart,
                    {.src_dir = root / "cart", .gpl_dir = root / "gpl", .source_track = "kestrel"});

  std::vector<std::string> objects;
  for (const fs::path& path : converter.workspace().pack_list()) {
    const std::string name = path.filename().string();
    if (path.extension() != ".3do" || name.front() == '_') continue;
    if (name == "starter.3do" || name == "flagger.3do" || name == "tire.3do") continue;
    objects.push_back(name);
    std::optional<std::vector<std::uint8_t>> bytes = converter.workspace().OutputBytes(path);
    ASSERT_TRUE(bytes) << name;
    const Status checked =
        (name == "ktrack.3do" ? CheckTrackObject(*bytes) : CheckGplObject(*bytes)).status();
    EXPECT_TRUE(checked.ok()) << name << ": " << checked.ToString();
  }
  EXPECT_EQ(objects, (std::vector<std::string>{"kboards.3do", "kestrel.3do", "khoriz.3do",
                                               "kstand.3do", "ktrack.3do"}));
  const fs::path out = converter.workspace().output_folder();
  // The horizon is scaled out to 10 km; the textures it names were converted beside it.
  EXPECT_TRUE(converter.workspace().HeldOutput(out / "ksky.mip"));
  EXPECT_TRUE(converter.workspace().HeldOutput(out / "kbanner.mip"));
}

}  // namespace
}  // namespace velmora
